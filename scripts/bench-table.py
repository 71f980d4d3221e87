"""Prints the benchmark table from the JSON output of startup_bench and hot_paths_bench.

Start-up figures are wall time of a fresh process (manual time); the in-process figures are
CPU time per operation, which is steadier than wall time on a shared machine."""
import json
import re
import sys

runs = {}
for path in sys.argv[1:]:
    for b in json.load(open(path))["benchmarks"]:
        # A warm-up setting shows in the name; the table names the benchmark alone.
        runs[re.sub(r"/min_warmup_time:[0-9.]+", "", b["name"])] = b


def get(name, field="cpu_time"):
    b = runs.get(name)
    return None if b is None or b.get("error_occurred") else b.get(field)


rows = []


def row(figure, value, unit, baseline=None, base_unit=None, ratio=None, goal=""):
    def fmt(v, u):
        if v is None:
            return ""
        return f"{v:,.0f} {u}" if v >= 100 else f"{v:,.2f} {u}".replace(".00 ", " ")

    r = "" if ratio is None else f"{ratio:.2f}×" if ratio >= 0.1 else f"{ratio:.3f}×"
    rows.append((figure, fmt(value, unit), fmt(baseline, base_unit or unit), r, goal))


for n in (10000, 100000, 1000000):
    seq, scan = f"StartupSequence/{n}/iterations:3/manual_time", f"PlainScan/{n}/iterations:3/manual_time"
    if seq not in runs:
        continue
    a, b = get(seq, "real_time"), get(scan, "real_time")
    row(f"start-up, {n:,} objects (a)", a, "ms", b, "ms", a / b, "≤ 3× (b)")
    ca, cb = get(seq, "cpu_ms"), get(scan, "cpu_ms")
    if ca is not None and cb:
        row("  CPU time (user + system)", ca, "ms", cb, "ms", ca / cb)
    for phase, label in (("classes_ms", "class table + IDs"), ("objects_ms", "InitAllObject"),
                         ("containers_ms", "InitContainer"), ("relations_ms", "InitAllObjectRelation")):
        row(f"  {label}", get(seq, phase), "ms")
    row(f"  memory per object", get(seq, "bytes_per_object"), "B", goal="≤ 600 B")
    row(f"  allocations per object", get(seq, "allocations_per_object"), "")

for batch, label in ((1, "autocommit"), (100, "100 per transaction")):
    lib, raw = get(f"InsertObject/{batch}"), get(f"RawInsert/{batch}")
    if lib is not None and raw is not None:
        row(f"InsertObject, {label}", lib / batch, "µs", raw / batch, "µs",
            raw / lib, "≥ 0.70 (raw/library)")
    elif lib is not None:  # PostgreSQL: no raw baseline
        row(f"InsertObject, {label}", lib / batch, "µs")

for cls in ("CAccessObject", "CContainer", "CArea", "COperator", "COperatorGroup"):
    name = f"FrameRoundTrip<{cls}>"
    if name in runs:
        per_second = runs[name]["items_per_second"]
        row(f"frame round trip, {cls}", per_second / 1000, "k/s", goal="≥ 1,000 k/s")
        row(f"  allocations per round trip", runs[name].get("allocations"), "")

for arg, label in ((0, "random"), (1, "hot")):
    lib, base = get(f"Find/{arg}"), get(f"HashMapFind/{arg}")
    if lib is not None:
        row(f"GDM_Find, 100,000 objects, {label} keys", lib, "ns", base, "ns", lib / base,
            "≤ 100 ns" if arg == 0 else "≤ 50 ns")

first = get("HasPrivilege/1000")
for grants in (1000, 100000, 1000000):
    t = get(f"HasPrivilege/{grants}")
    if t is not None:
        row(f"HasPrivilege, depth 10, 20 groups, {grants:,} grants", t / 1000, "µs",
            first / 1000, "µs", t / first, "< 1 µs, flat")

print("| figure | library | baseline | ratio | goal |")
print("|---|---:|---:|---:|---|")
for r in rows:
    print("| " + " | ".join(r) + " |")
