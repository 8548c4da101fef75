#!/usr/bin/env python3
"""Prints the table of bench/run.sh from its measurements.

    report.py <bench.json> <callgrind-dir> <calls> <call>...

bench.json: Google Benchmark's JSON with repetitions (min and median
aggregates; <call>/paired carries the ratio).
callgrind-dir: cg.<call>.library and cg.<call>.baseline, each <calls> calls
collected inside run_calls.
"""
import json
import os
import re
import sys

LIBRARY_OBJECT = 'libvexa.so'


def self_cost_by_object(path):
    """Instructions executed in each object's own code (not its callees)."""
    names = {}
    by_object = {}
    total = 0
    obj = None
    after_call = False
    ref = re.compile(r'^\((\d+)\)(?: (.*))?$')
    with open(path) as f:
        for line in f:
            line = line.rstrip('\n')
            if line.startswith('ob='):
                m = ref.match(line[3:])
                if m:
                    if m.group(2) is not None:
                        names[m.group(1)] = m.group(2)
                    obj = names.get(m.group(1))
                else:
                    obj = line[3:]
                continue
            if line.startswith(('cob=', 'cfob=')):
                m = ref.match(line.split('=', 1)[1])
                if m and m.group(2) is not None:
                    names[m.group(1)] = m.group(2)
                continue
            if line.startswith('calls='):
                after_call = True
                continue
            if line.startswith('totals:') or line.startswith('summary:'):
                total = int(line.split()[1])
                continue
            if line[:1].isdigit() or line[:1] in '+-*':
                parts = line.split()
                if len(parts) >= 2 and not after_call:
                    cost = int(parts[1])
                    key = os.path.basename(obj) if obj else '?'
                    by_object[key] = by_object.get(key, 0) + cost
                after_call = False
    return by_object, total


def main():
    bench_json, cg_dir, calls, names = sys.argv[1], sys.argv[2], int(sys.argv[3]), sys.argv[4:]
    with open(bench_json) as f:
        results = json.load(f)['benchmarks']
    stat = {}
    for r in results:
        if r.get('aggregate_name') in ('median', 'min'):
            stat[(r['run_name'], r['aggregate_name'])] = r

    print('| call | library (ns) | baseline (ns) | ratio | '
          'library\'s own instructions | all instructions, library / baseline | '
          'allocations in the call |')
    print('|---|---|---|---|---|---|---|')
    worst = 0.0
    for call in names:
        lib = stat[(call + '/library', 'min')]
        base = stat[(call + '/baseline', 'min')]
        ratio = stat[(call + '/paired', 'median')]['ratio']
        worst = max(worst, ratio)
        own, lib_total = self_cost_by_object(os.path.join(cg_dir, f'cg.{call}.library'))
        _, base_total = self_cost_by_object(os.path.join(cg_dir, f'cg.{call}.baseline'))
        extra = lib['allocs_per_call'] - base['allocs_per_call']
        print(f'| {call} | {lib["cpu_time"]:.0f} | {base["cpu_time"]:.0f} | {ratio:.3f} | '
              f'{own.get(LIBRARY_OBJECT, 0) / calls:.0f} | '
              f'{lib_total / calls:.0f} / {base_total / calls:.0f} | {extra:g} |')
    print()
    print(f'highest ratio: {worst:.3f}. Times: CPU time per call, the fastest repetition; '
          f'ratio: median over batches of {32} calls of each path in turn; instructions: '
          f'callgrind, {calls} calls, per call; allocations: beyond the baseline\'s, per call.')


if __name__ == '__main__':
    main()
