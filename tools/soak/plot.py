#!/usr/bin/env python3
"""Turns kestrix-soak's samples.csv into a small SVG: one panel per measure over simulated days."""
import csv
import sys

rows = list(csv.DictReader(open(sys.argv[1])))
out = sys.argv[2]
measures = ["rss_kib", "private_kib", "fds", "threads", "objects", "http_objects", "timers", "dbus_match_rules",
            "socket_clients", "dbus_connections"]
width, height, pad = 300, 150, 30
svg = [f'<svg xmlns="http://www.w3.org/2000/svg" width="{width * 5}" height="{height * 2}" font-size="11" '
       'font-family="sans-serif">']
for i, name in enumerate(measures):
    x0, y0 = (i % 5) * width, (i // 5) * height
    xs = [float(r["days"]) for r in rows]
    ys = [float(r[name]) for r in rows]
    svg.append(f'<text x="{x0 + pad}" y="{y0 + 14}">{name}: {ys[0]:g} → {ys[-1]:g}</text>' if ys else "")
    if len(xs) < 2:
        continue
    lo, hi = min(ys), max(ys)
    hi = hi if hi > lo else lo + 1
    span = max(xs) - min(xs) or 1
    pts = " ".join(f"{x0 + pad + (x - min(xs)) / span * (width - 2 * pad):.1f},"
                   f"{y0 + height - pad - (y - lo) / (hi - lo) * (height - 2 * pad):.1f}" for x, y in zip(xs, ys))
    svg.append(f'<rect x="{x0 + pad}" y="{y0 + pad}" width="{width - 2 * pad}" height="{height - 2 * pad}" '
               'fill="none" stroke="#ccc"/>')
    svg.append(f'<polyline points="{pts}" fill="none" stroke="#36c"/>')
    svg.append(f'<text x="{x0 + pad}" y="{y0 + height - 8}">{lo:g}..{hi:g} over {max(xs):.1f} days</text>')
svg.append("</svg>")
open(out, "w").write("\n".join(svg) + "\n")
