#!/usr/bin/env python3
"""How the exhaust speed changes the dust that leaves through the suction,
and the air velocity in the enclosure, with the ltr module.

    python3 exhaust_speed_study.py [OUTDIR]

writes OUTDIR/exhaust_speed.png (the outlet concentration with its 95 %
interval over the exhaust speed) and OUTDIR/velocity_field.png (the velocity
field of a vortex run as arrows, the free vortices as dots). Without a
display, run it with MPLBACKEND=Agg.
"""
import pathlib
import sys

import matplotlib.pyplot as plt
import numpy as np

import ltr

out = pathlib.Path(sys.argv[1] if len(sys.argv) > 1 else ".")
out.mkdir(parents=True, exist_ok=True)

# The study: the same case and seed for each exhaust speed, each in its
# steady flow, as `ltr-cli sweep --param Speed` runs it.
case = ltr.Case()
speeds = np.linspace(2.0, 5.0, 4)
study = ltr.sweep(case, "Speed", speeds, particles=10, moments=10, seed=1)
rows = [row for row in study.rows if row["completed"]]
speed = np.array([row["value"] for row in rows])
mg = 1e6  # kg/m3 to mg/m3
conc = np.array([row["output_concentration"] for row in rows]) * mg
low = np.array([row["output_concentration_ci95"][0] for row in rows]) * mg
high = np.array([row["output_concentration_ci95"][1] for row in rows]) * mg

fig, ax = plt.subplots(figsize=(6, 4))
ax.errorbar(speed, conc, yerr=[conc - low, high - conc], marker="o", capsize=4)
ax.set_xlabel("Скорость в отсосе, м/с")
ax.set_ylabel("Концентрация пыли в отсосе, мг/м3")
ax.set_title("Выходная концентрация и ее 95 % интервал")
ax.grid(True, alpha=0.3)
fig.tight_layout()
fig.savefig(out / "exhaust_speed.png", dpi=100)

# The velocity field after half a second of the vortex run.
flow = ltr.Flow(case)
flow.run(0.5)
field = flow.field(40, 28)
x, y = np.meshgrid(field["x"], field["y"])
vortices = flow.vortices
free = vortices[~vortices["bound"]]

fig, ax = plt.subplots(figsize=(7, 5))
ax.quiver(x, y, field["u"], field["v"], field["speed"], cmap="viridis")
ax.scatter(free["x"], free["y"], s=4, c=np.sign(free["gamma"]), cmap="coolwarm")
bound = vortices[vortices["bound"]]
ax.plot(bound["x"], bound["y"], ",k")
ax.set_aspect("equal")
ax.set_xlabel("x, м")
ax.set_ylabel("y, м")
ax.set_title(f"Поле скоростей, t = {flow.time:.2f} с, свободных вихрей: {flow.free_count}")
fig.tight_layout()
fig.savefig(out / "velocity_field.png", dpi=100)

for row in rows:
    print(f"{row['value']:.2f} м/с: {row['output_concentration'] * mg:.3f} мг/м3")
