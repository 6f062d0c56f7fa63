"""Draws the project's imports: python3 scripts/imports.py [--check].

Prints which room includes which (with the number of includes), then any circle of
files (a header and its source count as one unit). The rooms' CMake targets already
refuse an include that runs back up; a circle inside or across rooms is what only this
finds, so --check fails on one."""

import os
import re
import sys

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
ROOMS = ["app", "cli", "config", "dyno", "firmware", "monitor", "isp", "ui", "link", "core", "sim"]
INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"]+)"', re.M)


def sources():
    for room in ROOMS:
        for folder, _, names in os.walk(os.path.join(ROOT, room)):
            for name in names:
                if name.endswith((".h", ".cpp")):
                    yield os.path.relpath(os.path.join(folder, name), ROOT)


def includes(path):
    """The project files `path` includes, by their path from the root."""
    with open(os.path.join(ROOT, path), encoding="utf-8") as f:
        text = f.read()
    for name in INCLUDE.findall(text):
        for candidate in (name, os.path.join(os.path.dirname(path), name)):
            if os.path.isfile(os.path.join(ROOT, candidate)):
                yield os.path.normpath(candidate)
                break


def unit(path):
    return os.path.splitext(path)[0]


def circles(graph):
    """The strongly connected parts of more than one unit (Tarjan, without recursion)."""
    index, low, stack, on_stack, found = {}, {}, [], set(), []
    for start in graph:
        if start in index:
            continue
        work = [(start, iter(sorted(graph[start])))]
        index[start] = low[start] = len(index)
        stack.append(start)
        on_stack.add(start)
        while work:
            node, edges = work[-1]
            step = next(edges, None)
            if step is not None:
                if step not in index:
                    index[step] = low[step] = len(index)
                    stack.append(step)
                    on_stack.add(step)
                    work.append((step, iter(sorted(graph.get(step, ())))))
                elif step in on_stack:
                    low[node] = min(low[node], index[step])
                continue
            work.pop()
            if work:
                low[work[-1][0]] = min(low[work[-1][0]], low[node])
            if low[node] == index[node]:
                part = []
                while True:
                    member = stack.pop()
                    on_stack.discard(member)
                    part.append(member)
                    if member == node:
                        break
                if len(part) > 1:
                    found.append(sorted(part))
    return found


def main(check):
    rooms, graph = {}, {}
    for path in sources():
        graph.setdefault(unit(path), set())
        for target in includes(path):
            if unit(target) != unit(path):
                graph[unit(path)].add(unit(target))
            edge = (path.split("/")[0], target.split("/")[0])
            if edge[0] != edge[1]:
                rooms[edge] = rooms.get(edge, 0) + 1
    for (source, target), count in sorted(rooms.items()):
        print(f"{source} -> {target}  ({count})")
    found = circles(graph)
    for part in found:
        print("circle: " + " -> ".join(part))
    if not found:
        print("no circle of files")
    return 1 if check and found else 0


if __name__ == "__main__":
    sys.exit(main("--check" in sys.argv[1:]))
