"""Medians, ratios of ours to each peer, the plain table and its CSV."""

import csv
import statistics


class Measure:
    def __init__(self, key, title, unit, scale=1.0, digits=1):
        self.key = key
        self.title = title
        self.unit = unit
        self.scale = scale
        self.digits = digits


def median(values):
    values = [v for v in values if v is not None]
    return statistics.median(values) if values else None


def paired_ratios(ours, peer):
    """Run i of ours over run i of the peer (runs alternate, so pairs share conditions)."""
    return [a / b for a, b in zip(ours, peer) if a is not None and b not in (None, 0)]


def _fmt(value, digits):
    return "-" if value is None else f"{value:.{digits}f}"


def build_rows(measures, samples, ours, peers):
    """samples[key][client] = list of raw values (None for a failed run)."""
    rows = []
    for m in measures:
        per = samples.get(m.key, {})
        row = {"measure": m.title, "unit": m.unit, "key": m.key, "digits": m.digits}
        ours_values = per.get(ours, [])
        for client in (ours, *peers):
            values = [None if v is None else v * m.scale for v in per.get(client, [])]
            row[client] = median(values)
            row[client + "_runs"] = values
            row[client + "_ok"] = sum(v is not None for v in values)
        for peer in peers:
            ratios = paired_ratios(ours_values, per.get(peer, []))
            row["ratio_" + peer] = median(ratios)
        rows.append(row)
    return rows


def table(rows, ours, peers):
    header = ["measure", "unit", ours + " (n)"]
    for p in peers:
        header += [p + " (n)", "ratio/" + p]
    lines = [header]
    for r in rows:
        d = r["digits"]
        line = [r["measure"], r["unit"], f"{_fmt(r[ours], d)} ({r[ours + '_ok']})"]
        for p in peers:
            if r[p + "_runs"]:
                line += [f"{_fmt(r[p], d)} ({r[p + '_ok']})", _fmt(r["ratio_" + p], 2)]
            else:
                line += ["n/a", "-"]
        lines.append(line)
    widths = [max(len(str(l[i])) for l in lines) for i in range(len(header))]
    out = []
    for n, l in enumerate(lines):
        out.append("  ".join(str(c).ljust(w) if i < 2 else str(c).rjust(w)
                             for i, (c, w) in enumerate(zip(l, widths))).rstrip())
        if n == 0:
            out.append("  ".join("-" * w for w in widths))
    return "\n".join(out)


def write_csv(path, rows, ours, peers, date, commit, micro):
    with open(path, "w", newline="") as f:
        w = csv.writer(f)
        w.writerow(["date", "commit", "measure", "unit", "client", "median", "ratio_ours_over",
                    "runs"])
        for r in rows:
            for client in (ours, *peers):
                if not r[client + "_runs"]:
                    continue
                ratio = "" if client == ours else r["ratio_" + client]
                runs = ";".join("" if v is None else f"{v:.6g}" for v in r[client + "_runs"])
                w.writerow([date, commit, r["measure"], r["unit"], client,
                            "" if r[client] is None else f"{r[client]:.6g}",
                            "" if ratio in ("", None) else f"{ratio:.4g}", runs])
        for name, value, unit in micro:
            w.writerow([date, commit, name, unit, ours, f"{value:.6g}", "", ""])
