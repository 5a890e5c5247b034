#!/usr/bin/env python3
"""The JSON Schema of project files against the builder that writes it.

Every example project, every TOML block of docs/project-file.md and README.md
and the project init writes validate against the schema and pass
qarvo-build check; each wrong project below is refused by both, which name
the same key. Usage: schema_test.py QARVO-BUILD SOURCE-DIR
"""
import json
import pathlib
import re
import shutil
import subprocess
import sys
import tempfile
import tomllib
import urllib.parse
import urllib.request
import zipfile

import jsonschema

BUILDER = pathlib.Path(sys.argv[1]).resolve()
SOURCE = pathlib.Path(sys.argv[2])
WORK = pathlib.Path(tempfile.mkdtemp(prefix="qarvo-schema-"))

# name, project, the key both must name
WRONG = [
    ("unknownKey", '[application]\nnmae = "x"', "application.nmae"),
    ("unknownTable", '[aplication]\nname = "x"', "aplication"),
    ("emptyUnknownTable", "[app]", "app"),
    ("unknownSubTable", "[splash.line3]\nx = 1", "splash.line3"),
    ("topLevelKey", 'arch = "x64"', "arch"),
    ("flagType", '[application]\nsingle-instance = "yes"', "application.single-instance"),
    ("textType", "[application]\nmain-class = 5", "application.main-class"),
    ("tableType", "application = 1", "application"),
    ("intType", "[splash.line1]\nx = 1.5", "splash.line1.x"),
    ("intRange", "[application]\ntype = 3000000000", "application.type"),
    ("sizeRange", "[splash]\nwidth = 0", "splash.width"),
    ("colourRange", "[splash.line1]\ncolor = [1, 2, 300]", "splash.line1.color"),
    ("colourLength", "[splash.line2]\ncolor = [1, 2]", "splash.line2.color"),
    ("typeName", '[application]\ntype = "service"', "application.type"),
    ("arch", '[build]\narch = "arm64"', "build.arch"),
    ("runtimeJar", '[runtime]\njar = "inside"', "runtime.jar"),
    ("dpiAwareness", '[manifest]\ndpi-awareness = "high"', "manifest.dpi-awareness"),
    ("buildFlag", "[build]\ndefault-search = 1", "build.default-search"),
    ("argumentType", "[java]\nvm-parameters = [1]", "java.vm-parameters"),
    ("classPathKind", '[java]\nclass-path = [{ archiv = "a.jar" }]', "java.class-path.archiv"),
    ("searchWord", '[java]\nsearch = ["registy"]', "java.search"),
    ("searchValue", '[java]\nsearch = ["env"]', "java.search"),
    ("iconList", "[resources]\nicon = []", "resources.icon"),
    ("bitmapList", '[resources]\nsplash-bitmap = ["a.bmp"]', "resources.splash-bitmap"),
    ("message", '[messages]\nno-jmv = "x"', "messages.no-jmv"),
    ("entryNumber", '[entries]\nabc = "x"', "entries.abc"),
    ("wideEntry", "[wide-entries]\n9000 = 1", "wide-entries.9000"),
    ("filesTable", '[files]\nsource = "a"', "files"),
    ("filesKey", '[[files]]\nsource = "a"\nsorce = "b"', "files.sorce"),
    ("filesSource", '[[files]]\nname = "a"', "files"),
    ("locale", '[[localized]]\nlocale = "de-CH"', "localized.locale"),
    ("localeMissing", '[[localized]]\n[localized.messages]\ncaption = "x"', "localized"),
    ("localizedKey", '[[localized]]\nlocale = "de"\ntexts = {}', "localized.texts"),
    ("localizedMessage", '[[localized]]\nlocale = "de"\n[localized.messages]\ncaptoin = "x"',
     "localized.messages.captoin"),
    ("versionKey", '[version]\nfile-version = "1"\ncompany-name = "x"', "version.company-name"),
    ("versionNumber", '[version]\nfile-version = "1.2.3.70000"', "version.file-version"),
    ("versionParts", '[version]\nfile-version = "1.2.3.4.5"', "version.file-version"),
    ("versionMissing", '[version]\ndescription = "x"', "version"),
    ("serviceStart", '[service]\nname = "s"\nstart = "boot"', "service.start"),
    ("serviceStopTimeout", '[service]\nname = "s"\nstop-timeout = 0', "service.stop-timeout"),
    ("serviceRestarts", '[service]\nname = "s"\nrestart-on-failure = [90000]', "service.restart-on-failure"),
    ("serviceLogSize", '[service]\nname = "s"\nlog-max-size = "10 MB"', "service.log-max-size"),
    ("serviceDependsOn", '[service]\nname = "s"\ndepends-on = ["a b"]', "service.depends-on"),
]

failures = []


def fail(message):
    failures.append(message)


def run(*args, cwd=None):
    return subprocess.run([str(BUILDER), *args], capture_output=True, text=True, cwd=cwd)


def schema_keys(error):
    """The keys a schema error names: where it stands, an unexpected key, and
    those of the errors under it (the branches of anyOf and oneOf)."""
    where = ".".join(str(p) for p in error.absolute_path if not isinstance(p, int))
    keys = {where}
    if error.validator == "additionalProperties" and isinstance(error.instance, dict):
        known = error.schema.get("properties", {})
        patterns = error.schema.get("patternProperties", {})
        for key in error.instance:
            if key not in known and not any(re.search(p, key) for p in patterns):
                keys.add(f"{where}.{key}" if where else key)
    for sub in error.context or []:
        keys |= schema_keys(sub)
    return keys


def check(name, text):
    """qarvo-build check's exit code and the key its error names."""
    path = WORK / f"{name}.toml"
    path.write_text(text, encoding="utf-8")
    result = run("check", str(path))
    found = re.search(r"\.toml:\d+: ([^:]+): ", result.stderr)
    return result.returncode, found.group(1) if found else None, result.stderr


def valid_project(name, text, validator):
    errors = list(validator.iter_errors(tomllib.loads(text)))
    for error in errors:
        fail(f"{name}: the schema refuses {sorted(schema_keys(error))}: {error.message}")
    code, _, err = check(re.sub(r"[^A-Za-z0-9_.-]", "_", name), text)
    if code != 0:
        fail(f"{name}: qarvo-build check refuses it: {err}")


def toml_blocks(path):
    return re.findall(r"```toml\n(.*?)```", path.read_text(encoding="utf-8"), re.S)


def starter_tree():
    """A copy of the builder with its schema installed beside it, as in dist/:
    init names the schema in a #:schema line. Returns the starter's text and
    the schema's."""
    (WORK / "dist" / "bin").mkdir(parents=True)
    (WORK / "dist" / "schema").mkdir()
    builder = WORK / "dist" / "bin" / "qarvo-build"
    shutil.copy2(BUILDER, builder)
    schema_file = WORK / "dist" / "schema" / "qarvo-project.schema.json"
    written = subprocess.run([str(builder), "schema", "-o", str(schema_file)], capture_output=True, text=True)
    if written.returncode != 0:
        fail(f"schema -o: {written.stderr}")
    with zipfile.ZipFile(WORK / "app.jar", "w") as jar:
        jar.writestr("META-INF/MANIFEST.MF", "Manifest-Version: 1.0\r\nMain-Class: com.example.Main\r\n\r\n")
    init = subprocess.run([str(builder), "init", str(WORK / "app.jar")], capture_output=True, text=True)
    if init.returncode != 0:
        fail(f"init: {init.stderr}")
        return "", ""
    text = (WORK / "app.toml").read_text(encoding="utf-8")
    first = text.split("\n", 1)[0]
    if not first.startswith("#:schema file:"):
        fail(f"init's first line names no schema: {first}")
    elif pathlib.Path(urllib.request.url2pathname(urllib.parse.urlparse(first.split(" ", 1)[1]).path)) != schema_file:
        fail(f"init's #:schema line names another file than {schema_file}: {first}")
    return text, schema_file.read_text(encoding="utf-8") if schema_file.exists() else ""


def main():
    printed = run("schema")
    if printed.returncode != 0:
        sys.exit(f"qarvo-build schema: {printed.stderr}")
    schema = json.loads(printed.stdout)
    jsonschema.Draft7Validator.check_schema(schema)
    validator = jsonschema.Draft7Validator(schema)

    projects = [(str(p.relative_to(SOURCE)), p.read_text(encoding="utf-8")) for p in sorted(SOURCE.glob("examples/*/*.toml"))]
    for doc in ("docs/project-file.md", "README.md"):
        projects += [(f"{doc} block {i + 1}", block) for i, block in enumerate(toml_blocks(SOURCE / doc))]
    starter, installed = starter_tree()
    if installed != printed.stdout:
        fail("schema -o wrote another text than schema prints")
    projects.append(("init's starter project", starter))
    for name, text in projects:
        valid_project(name, text, validator)

    for name, text, key in WRONG:
        errors = list(validator.iter_errors(tomllib.loads(text)))
        named = set().union(*(schema_keys(e) for e in errors)) if errors else set()
        code, checked, err = check(name, text)
        if not errors:
            fail(f"{name}: the schema takes it")
        elif key not in named:
            fail(f"{name}: the schema names {sorted(named)}, not {key}")
        if code != 1:
            fail(f"{name}: qarvo-build check ends with {code}, not 1: {err}")
        elif checked != key:
            fail(f"{name}: qarvo-build check names {checked}, not {key}: {err}")

    shutil.rmtree(WORK, ignore_errors=True)
    for message in failures:
        print("FAILED:", message)
    print(f"schema: {len(projects)} projects valid, {len(WRONG)} wrong ones refused by schema and check alike"
          if not failures else f"schema: {len(failures)} failures")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
