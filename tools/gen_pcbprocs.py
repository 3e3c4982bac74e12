#!/usr/bin/env python3
"""Makes the code that follows from the two host entry-point lists.

The build runs this whenever host/PcbApiUsed.inc (signatures and defaults),
host/PcbApiNames.inc (binding order) or this script changes, and writes:

  --wrappers FILE  one wrapper per used entry point, for host/PCBProcs.h and
                   host/PCBProcs.cpp. Entry points whose wrappers differ from
                   the plain pattern are written by hand in host/PCBProcs.cpp
                   and skipped here.
                   A wrapper counts a failure the host reports (host/ReadFailures.h):
                   a query's result other than 0, or no kind for an object, when
                   the call asks about an object (its first handle is not 0)
                   and its failure is not an ordinary answer (ORDINARY).
  --unused FILE    one SIM_UNUSED_ENTRY(name) line per entry point that the
                   exporter binds but never calls, for the simulated host.
  --gates FILE     for the simulated host: the exported <name> in front of
                   its answer sim::answer::<name> in sim/brondel/PcbApi.cpp,
                   which writes the call trace, fails the call when it is
                   armed (an error result, nothing written) and otherwise
                   gives the answer.

It refuses lists that disagree: binding indexes out of order, a name twice,
a used entry point that is not among the names, a hand-written wrapper that
is no longer used. A file is rewritten only when its text changes, so that an
unrelated edit of a list rebuilds nothing.
"""
import argparse
import pathlib
import re
import sys

# Wrappers written by hand in host/PCBProcs.cpp.
SPECIAL = {
    "PcbApi_CreateIterator", "PcbApi_QueryBoard", "PcbApi_Percent_Init", "PcbApi_AddMemberToClass",
    "PcbApi_GetDesignatorDisplayString", "PcbApi_QueryDefaultPCB3DModel", "PcbApi_Percent_Update",
}

# Entry points whose result is a handle or a kind: a failing call of the
# simulated host gives none (0); every other failing query gives 1.
HANDLE_RESULTS = {
    "PcbApi_GetCurrentBoardHandle", "PcbApi_CreateIterator", "PcbApi_GetFirstObject", "PcbApi_GetNextObject",
    "PcbApi_FindDominantRuleForObject", "PcbApi_GetObjectIdFromObjectHandle",
}

# Entry points whose failure result is an ordinary answer, not a failed read:
# the wrappers do not count it. Handle results other than the iterator's
# (the current board, the objects of a walk, the dominant rule) are answers
# by nature: 0 is "none". Call sites where a failure is an ordinary answer
# only there say so themselves (TReadFailureIsAnswer).
ORDINARY = {
    # Releases the iterator; nothing is read.
    "PcbApi_DestroyIterator",
    # 1 after the last member of a class: the end of the list.
    "PcbApi_GetMemberFromClassAt",
    # Yes-or-no answers and an action: no field is read.
    "PcbApi_QueryObjectImport_FromUser", "PcbApi_QueryObjectGraphicallyInvalidate",
}

# Entry points whose result is an object kind: 0 for an object is a failure.
KIND_RESULTS = {"PcbApi_GetObjectIdFromObjectHandle"}

NAME_LINE = re.compile(r"TQ_PCBAPI_NAME\((\d+), (\w+)\)$")
FN_LINE = re.compile(r"TQ_PCBAPI_FN\(([^,]+), (\w+), ([^,]*), (\(.*\))\)$")


class ListError(Exception):
    pass


def split_params(text):
    text = text.strip()[1:-1].strip()
    if not text:
        return []
    return [p.strip() for p in text.split(",")]


def read_names(path):
    names = []
    for number, line in enumerate(path.read_text().splitlines(), 1):
        if not line.startswith("TQ_PCBAPI_NAME("):
            continue
        m = NAME_LINE.match(line)
        if not m:
            raise ListError(f"{path}:{number}: not a TQ_PCBAPI_NAME(index, name) line")
        index, name = int(m.group(1)), m.group(2)
        if index != len(names):
            raise ListError(f"{path}:{number}: {name} has index {index}, its position is {len(names)}")
        if name in names:
            raise ListError(f"{path}:{number}: {name} is listed twice")
        names.append(name)
    return names


def read_used(path):
    used = []
    for number, line in enumerate(path.read_text().splitlines(), 1):
        if not line.startswith("TQ_PCBAPI_FN("):
            continue
        m = FN_LINE.match(line)
        if not m:
            raise ListError(f"{path}:{number}: not a TQ_PCBAPI_FN(result, name, default, (parameters)) line")
        ret, name, default, params = m.group(1).strip(), m.group(2), m.group(3).strip(), split_params(m.group(4))
        if any(u[1] == name for u in used):
            raise ListError(f"{path}:{number}: {name} is listed twice")
        if ret != "void" and not default:
            raise ListError(f"{path}:{number}: {name} returns {ret} and has no default result")
        used.append((ret, name, default, params))
    return used


def failure_test(ret, name, params):
    """The C++ condition under which a result is a failed read, or None."""
    if ret == "void" or name in ORDINARY:
        return None
    about = [f"a{i}" for i, t in enumerate(params) if t == "THandle"]
    asks = f" && {about[0]} != 0" if about else ""
    if name in KIND_RESULTS:
        return f"result == 0{asks}"
    if ret == "std::int32_t":
        return f"result != 0{asks}"
    return None


def wrappers_text(names, used):
    index = {name: i for i, name in enumerate(names)}
    decls, defs = [], []
    for ret, name, default, params in used:
        if name in SPECIAL:
            continue
        args = ", ".join(f"{t} a{i}" for i, t in enumerate(params))
        call = ", ".join(f"a{i}" for i in range(len(params)))
        decls.append(f"{ret} {name}({args});")
        body = f"  auto fn = reinterpret_cast<{name}_t>(BoundEntryPoint({index[name]}));\n"
        failure = failure_test(ret, name, params)
        if ret == "void":
            body += f"  if (fn != nullptr) fn({call});\n"
        elif failure is None:
            body += f"  if (fn == nullptr) return {default};\n  return fn({call});\n"
        else:
            # The object asked about, so that the warning counts objects.
            about = [f"a{i}" for i, t in enumerate(params) if t == "THandle"]
            note = f"{index[name]}, {about[0]}" if about else f"{index[name]}"
            body += (f"  if (fn == nullptr) return {default};\n  const {ret} result = fn({call});\n"
                     f"  if ({failure}) NoteReadFailure({note});\n  return result;\n")
        defs.append(f"{ret} {name}({args}) {{\n{body}}}\n")
    return ("// Made by tools/gen_pcbprocs.py from host/PcbApiUsed.inc and host/PcbApiNames.inc.\n"
            "#ifdef TQ_PCBPROCS_DECLARE\n" + "\n".join(decls) + "\n#else\n" + "\n".join(defs) + "#endif\n")


def unused_text(names, used):
    used_names = {u[1] for u in used}
    lines = [f"SIM_UNUSED_ENTRY({name})\n" for name in names if name not in used_names]
    return ("// Made by tools/gen_pcbprocs.py: the entry points of host/PcbApiNames.inc that\n"
            "// host/PcbApiUsed.inc does not list.\n" + "".join(lines))


def gates_text(used):
    gates = []
    for ret, name, _, params in used:
        args = ", ".join(f"{t} a{i}" for i, t in enumerate(params))
        call = ", ".join(f"a{i}" for i in range(len(params)))
        failed = "return;" if ret == "void" else f"return {0 if name in HANDLE_RESULTS else 1};"
        gates.append(f"SIM_GATE({ret}) {name}({args}) {{\n"
                     f"  if (sim::EntryFails(sim::Entry::{name})) {failed}\n"
                     f"  return sim::answer::{name}({call});\n"
                     f"}}\n")
    return "// Made by tools/gen_pcbprocs.py from host/PcbApiUsed.inc.\n" + "\n".join(gates)


def check(names, used):
    known = set(names)
    for _, name, _, _ in used:
        if name not in known:
            raise ListError(f"{name} is used but not among the names to bind")
    used_names = {u[1] for u in used}
    for name in sorted(SPECIAL - used_names):
        raise ListError(f"{name} has a hand-written wrapper but is no longer used")
    for name in sorted(HANDLE_RESULTS - used_names):
        raise ListError(f"{name} is listed as giving a handle but is no longer used")
    for name in sorted((ORDINARY | KIND_RESULTS) - used_names):
        raise ListError(f"{name} is listed among the failures' meanings but is no longer used")


def write_if_changed(path, text):
    path = pathlib.Path(path)
    if path.exists() and path.read_text() == text:
        return
    path.parent.mkdir(parents=True, exist_ok=True)
    path.write_text(text)


def main(argv):
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--names", required=True, type=pathlib.Path, help="host/PcbApiNames.inc")
    parser.add_argument("--used", required=True, type=pathlib.Path, help="host/PcbApiUsed.inc")
    parser.add_argument("--wrappers", help="where to write the wrappers")
    parser.add_argument("--unused", help="where to write the list of unused entry points")
    parser.add_argument("--gates", help="where to write the simulated host's gates")
    args = parser.parse_args(argv)
    try:
        names = read_names(args.names)
        used = read_used(args.used)
        check(names, used)
    except ListError as e:
        print(f"gen_pcbprocs.py: {e}", file=sys.stderr)
        return 1
    if args.wrappers:
        write_if_changed(args.wrappers, wrappers_text(names, used))
    if args.unused:
        write_if_changed(args.unused, unused_text(names, used))
    if args.gates:
        write_if_changed(args.gates, gates_text(used))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
