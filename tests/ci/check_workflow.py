#!/usr/bin/env python3
"""The Windows workflow is valid YAML, and each of its jobs builds with one of the README's
"Building on Windows" command blocks, word for word, then runs the native and Windows tests.
Usage: check_workflow.py WORKFLOW README; prints one line per finding, ends with "ok" or exits 1."""
import re
import sys

import yaml


def readme_blocks(readme):
    section = readme.split("## Building on Windows", 1)[1].split("\n## ", 1)[0]
    blocks = re.findall(r"```bat\n(.*?)```", section, re.S)
    return [[line for line in b.splitlines() if line.strip() and not line.lower().startswith("rem ")] for b in blocks]


def main(workflow_path, readme_path):
    workflow = yaml.safe_load(open(workflow_path, encoding="utf-8"))
    blocks = readme_blocks(open(readme_path, encoding="utf-8").read())
    problems = []
    if len(blocks) != 3:
        problems.append(f"the README has {len(blocks)} command blocks, not 3")
    jobs = workflow.get("jobs", {}) if isinstance(workflow, dict) else {}
    runs = {name: [line for step in job.get("steps", []) for line in str(step.get("run", "")).splitlines()]
            for name, job in jobs.items()}
    for name, job in jobs.items():
        if job.get("runs-on") != "windows-latest":
            problems.append(f"job {name} does not run on windows-latest")
    for block in blocks:
        builders = [name for name, lines in runs.items()
                    if any(lines[i:i + len(block)] == block for i in range(len(lines)))]
        if not builders:
            problems.append("no job runs the README's commands: " + " / ".join(block))
        for name in builders:
            after = runs[name][runs[name].index(block[-1]) + 1:]
            if not any(line.startswith("ctest ") and '-L "native|windows"' in line for line in after):
                problems.append(f"job {name} runs no native and Windows tests after its build")
    build_lines = {line for lines in runs.values() for line in lines if line.startswith("cmake ")}
    readme_lines = {line for block in blocks for line in block}
    for line in sorted(build_lines - readme_lines):
        problems.append("a build command that the README does not give: " + line)
    for p in problems:
        print(p)
    print("workflow: ok" if not problems else "workflow: differs from the README")
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1], sys.argv[2]))
