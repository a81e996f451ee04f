"""Checks Snd_Info's JSON documents against docs/snd_info.schema.json.

  validate_json.py --reset DIR         empties DIR (made where missing): the
                                       tests then keep each document there
  validate_json.py SCHEMA DIR          every DIR/*.json the tests kept must
                                       validate; fails when none was kept
  validate_json.py --cases SCHEMA CASES  the schema accepts each document of
                                       CASES and rejects each of its mutations

Needs the jsonschema module (Debian: python3-jsonschema) for the last two.
"""
import json
import pathlib
import shutil
import sys


def validator(schema_path):
    try:
        import jsonschema
    except ImportError:
        sys.exit("validate_json.py: the jsonschema module is missing (Debian: apt-get install python3-jsonschema)")
    schema = json.loads(pathlib.Path(schema_path).read_text(encoding="utf-8"))
    jsonschema.Draft202012Validator.check_schema(schema)
    return jsonschema.Draft202012Validator(schema)


def deepest(errors):
    """Of the errors the one that stands deepest in the document; where
    alternatives failed (anyOf), what went wrong in the one that came
    nearest (see nearest)."""
    found = None
    for error in errors:
        candidate = error
        if error.context:
            branches = {}
            for inner in error.context:
                branches.setdefault(inner.schema_path[0], []).append(inner)
            candidate = deepest(min(branches.values(), key=nearest))
        if found is None or len(candidate.absolute_path) > len(found.absolute_path):
            found = candidate
    return found


def nearest(branch):
    """How far an alternative's errors are from the document, smallest first:
    one whose fixed member (a chunk's id) differs is for another kind; then
    the one that went deepest; then the one that left fewest members unknown."""
    other_kind = any(error.validator == "const" for error in branch)
    depth = max(len(error.absolute_path) for error in branch)
    # ('a', 'b' were unexpected): one for each member named
    unknown = sum(error.message.count("', '") + 1 for error in branch)
    return (other_kind, -depth, unknown)


def first_error(check, document):
    """The error that tells most, with where it stands, or None."""
    error = deepest(check.iter_errors(document))
    if error is None:
        return None
    where = "/".join(str(step) for step in error.absolute_path)
    return f"at /{where}: {error.message[:400]}"


def trimmed(value, keep=50):
    """`value` with each array of more than 2 * `keep` elements cut to its
    first and last `keep`. The schema's checks of an element do not depend
    on its neighbours, and no count it sets lies above 4, so a trimmed
    document is valid exactly when the whole one is; checking a package of
    100,000 exports whole would take minutes."""
    if isinstance(value, dict):
        return {key: trimmed(member, keep) for key, member in value.items()}
    if isinstance(value, list):
        if len(value) > 2 * keep:
            value = value[:keep] + value[-keep:]
        return [trimmed(element, keep) for element in value]
    return value


def reset(folder):
    shutil.rmtree(folder, ignore_errors=True)
    pathlib.Path(folder).mkdir(parents=True)
    return 0


def validate_kept(schema_path, folder):
    check = validator(schema_path)
    kept = sorted(pathlib.Path(folder).glob("*.json"))
    too_large = sum(1 for run in pathlib.Path(folder).glob("*.txt") if not run.with_suffix(".json").exists())
    if not kept:
        print(f"no document kept in {folder}: the tests' runs of Snd_Info --json were not recorded "
              "(SND_JSON_DUMP unset, or no test that runs Snd_Info --json was selected)")
        return 1
    valid = not_json = 0
    failures = []
    for path in kept:
        text = path.read_bytes()
        try:
            document = json.loads(text)
        except ValueError:
            # A run cut short on purpose (a closed pipe, a signal), or one
            # that stopped before its document: its own test judges it.
            not_json += 1
            continue
        error = first_error(check, trimmed(document))
        if error is None:
            valid += 1
            continue
        command = path.with_suffix(".txt")
        run = command.read_text(encoding="utf-8", errors="replace").strip() if command.exists() else "?"
        failures.append(f"{path}\n  run: {run}\n  {error}")
    for failure in failures:
        print(failure)
    print(f"{len(kept) + too_large} outputs of Snd_Info --json: {valid} valid, {len(failures)} invalid, "
          f"{not_json} not JSON, {too_large} too large to keep")
    return 1 if failures or valid == 0 else 0


def mutated(document, pointer, operation, argument):
    """A copy of `document` with the member at `pointer` renamed, removed or set."""
    copy = json.loads(json.dumps(document))
    *steps, last = [int(step) if step.isdigit() else step for step in pointer.strip("/").split("/")]
    holder = copy
    for step in steps:
        holder = holder[step]
    if operation == "rename":
        holder[argument] = holder.pop(last)
    elif operation == "remove":
        del holder[last]
    else:
        holder[last] = argument
    return copy


def run_cases(schema_path, cases_path):
    check = validator(schema_path)
    cases = json.loads(pathlib.Path(cases_path).read_text(encoding="utf-8"))
    wrong = []
    for name, document in cases["documents"].items():
        error = first_error(check, document)
        if error is not None:
            wrong.append(f"{name}: rejected, {error}")
    for name, pointer, operation, argument in cases["mutations"]:
        if first_error(check, mutated(cases["documents"][name], pointer, operation, argument)) is None:
            wrong.append(f"{name} {pointer} {operation} {json.dumps(argument)}: accepted")
    for line in wrong:
        print(line)
    print(f"{len(cases['documents'])} documents, {len(cases['mutations'])} mutations, {len(wrong)} wrong")
    return 1 if wrong else 0


def main(args):
    if len(args) == 2 and args[0] == "--reset":
        return reset(args[1])
    if len(args) == 3 and args[0] == "--cases":
        return run_cases(args[1], args[2])
    if len(args) == 2:
        return validate_kept(args[0], args[1])
    sys.exit(__doc__)


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
