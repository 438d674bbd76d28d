#!/usr/bin/env python3
"""Writes the editor's Skins.xml, StringTables.xml and FrameworkStrings.xml from the tables under
Panel/Resources/skin/, after checking them against the authoring and ordering rules.

    skingen.py --source Panel/Resources/skin --images Panel/Resources/images
               --class-table Panel/SkinClassTable.h
               --framework-classes KXFramework/Application/FrameworkClassNames.cpp
               --framework-strings KXFramework/ControlBase/FrameworkStrings.xml --out <build>/resources

Exit status 1 with one line naming the control at fault when a rule is broken.
"""

import argparse
import importlib.util
import os
import re
import sys

# The build runs this from the source tree: leave no byte-code there.
sys.dont_write_bytecode = True
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

import blocks  # noqa: E402
import checks  # noqa: E402
import looks  # noqa: E402
import reads  # noqa: E402
import samples as sample_controls  # noqa: E402
from model import Document, SkinError  # noqa: E402
from writer import skin_document, string_document  # noqa: E402

APP_NAME = "PresetEditor"


def load_table(source, name):
    path = os.path.join(source, name + ".py")
    spec = importlib.util.spec_from_file_location(f"skin_{name}", path)
    module = importlib.util.module_from_spec(spec)
    sys.modules[spec.name] = module
    spec.loader.exec_module(module)
    return module


def framework_classes(path):
    with open(path, encoding="utf-8") as f:
        return set(re.findall(r'u"(Framework\.[^"]+)"', f.read()))


def editor_classes(path):
    with open(path, encoding="utf-8") as f:
        rows = re.findall(r'^\s*KIVO_SKIN_CLASS\(\s*([\w:]+)\s*,\s*u"([^"]+)"\s*\)', f.read(), re.M)
    if not rows:
        raise SkinError(f"{path}: no KIVO_SKIN_CLASS rows")
    return {name for _, name in rows}


def image_names(folder):
    """The PNGs the build makes: one per SVG source."""
    return {n[:-4] + ".png" for n in os.listdir(folder) if n.endswith(".svg")}


def register_texts(doc, control, parent_class):
    table = f"{parent_class}|{control.name}"
    for key, text in control.texts.items():
        doc.strings.set(table, key, text)
    if control.reads:
        doc.strings.require(table, *control.reads)
    for child in control.children:
        child.parent = control
        register_texts(doc, child, control.cls)


def build(source, samples=False):
    """The document from the tables in `source`; with `samples` one control of every building block
    instead of the editor's skin."""
    style_table = load_table(source, "style")
    texts = load_table(source, "texts")
    editor = load_table(source, "editor")
    doc = Document(APP_NAME, "Skin1", style_table.FONTS["default"])
    style = looks.Style(doc, style_table)
    looks.build(doc, style)
    for table, entries in texts.tables().items():
        doc.strings.update(table, entries)
    if samples:
        sample_controls.build(doc, style, blocks)
    else:
        editor.build(doc, style, blocks)
    for top in doc.top:
        top.parent = None
        register_texts(doc, top, APP_NAME)
    for table, keys in reads.tables().items():
        doc.strings.require(table, *keys)
    return doc


def generate(args):
    doc = build(args.source, args.samples)
    classes = framework_classes(args.framework_classes) | editor_classes(args.class_table)
    checks.check(doc, classes, image_names(args.images))
    outputs = {
        "Skins.xml": skin_document(doc),
        "StringTables.xml": string_document(APP_NAME, doc.strings.tables),
    }
    with open(args.framework_strings, "rb") as f:
        outputs["FrameworkStrings.xml"] = f.read()
    os.makedirs(args.out, exist_ok=True)
    for name, data in outputs.items():
        path = os.path.join(args.out, name)
        with open(path + ".tmp", "wb") as f:
            f.write(data)
        os.replace(path + ".tmp", path)


def main(argv=None):
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    for name in ("source", "images", "class-table", "framework-classes", "framework-strings", "out"):
        parser.add_argument("--" + name, required=True)
    parser.add_argument("--samples", action="store_true", help="write the building-block samples instead")
    args = parser.parse_args(argv)
    try:
        generate(args)
    except SkinError as e:
        print(f"skingen: error: {e}", file=sys.stderr)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
