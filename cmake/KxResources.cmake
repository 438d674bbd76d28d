# kx_embed_resources(<target> TYPE <type> FILES <name>=<file>... [TYPE <type> FILES ...])
# Builds the files into <target> as a generated table that KX::FindResource (type, name) looks up;
# the target calls KX::RegisterEmbeddedResources() once to install it. One call per target. The
# files are read at build time, so an edited file rebuilds the table.
set(KX_EMBED_SCRIPT ${CMAKE_CURRENT_LIST_DIR}/EmbedResources.cmake)

function(kx_embed_resources target)
  set(mode "")
  set(type "")
  set(manifest "")
  set(depends "")
  foreach(arg IN LISTS ARGN)
    if(arg STREQUAL "TYPE" OR arg STREQUAL "FILES")
      if(arg STREQUAL "FILES" AND type STREQUAL "")
        message(FATAL_ERROR "kx_embed_resources(${target}): FILES before TYPE")
      endif()
      set(mode ${arg})
    elseif(mode STREQUAL "TYPE")
      if(NOT arg MATCHES "^[A-Za-z0-9_]+$")
        message(FATAL_ERROR "kx_embed_resources(${target}): bad type '${arg}'")
      endif()
      set(type ${arg})
      set(mode "")
    elseif(mode STREQUAL "FILES")
      if(NOT arg MATCHES "^([A-Za-z0-9_.-]+)=(.+)$")
        message(FATAL_ERROR "kx_embed_resources(${target}): expected <name>=<file>, got '${arg}'")
      endif()
      set(name ${CMAKE_MATCH_1})
      get_filename_component(file "${CMAKE_MATCH_2}" ABSOLUTE BASE_DIR ${CMAKE_CURRENT_SOURCE_DIR})
      string(APPEND manifest "${type}|${name}|${file}\n")
      list(APPEND depends ${file})
    else()
      message(FATAL_ERROR "kx_embed_resources(${target}): unexpected '${arg}'")
    endif()
  endforeach()
  if(manifest STREQUAL "")
    message(FATAL_ERROR "kx_embed_resources(${target}): no files")
  endif()

  set(dir ${CMAKE_CURRENT_BINARY_DIR}/${target}_resources)
  # Rewritten only when the list changes, so a re-configure does not rebuild the table.
  file(CONFIGURE OUTPUT ${dir}/manifest.txt CONTENT "${manifest}" @ONLY)
  add_custom_command(
    OUTPUT ${dir}/EmbeddedResources.cpp
    COMMAND ${CMAKE_COMMAND} -DMANIFEST=${dir}/manifest.txt -DOUTPUT=${dir}/EmbeddedResources.cpp
            -P ${KX_EMBED_SCRIPT}
    DEPENDS ${depends} ${dir}/manifest.txt ${KX_EMBED_SCRIPT}
    COMMENT "Embedding resources into ${target}"
    VERBATIM)
  target_sources(${target} PRIVATE ${dir}/EmbeddedResources.cpp)
endfunction()
