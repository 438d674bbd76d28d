#pragma once
// The editor's skin class names, each registered with the create function of its control class.
namespace KX {
class LControlClassRegistry;
}

// Registers every row of Panel/SkinClassTable.h; a name registered before keeps its function.
void RegisterSkinClasses(KX::LControlClassRegistry& registry);
