# The module's numbers are ltr-cli's, bit for bit, for the same inputs.
import json

import numpy as np
import pytest

import ltr


def vortex_list(flow):
    v = flow.vortices
    return [[float(a), float(b), float(c)] for a, b, c in zip(v["x"], v["y"], v["gamma"])]


def test_vortex_run_started_saved_and_continued_equals_ltr_cli(cli, tmp_path):
    # The default run of ltr-cli vortex, made here in two parts: stopped at
    # 0.6 s and continued in memory to 1 s, it is the flow of one run.
    flow = ltr.Flow(ltr.Case())
    flow.run(0.6)
    saved = tmp_path / "run.evt"
    flow.save(saved)
    summary = flow.run(1.0)
    expected = cli("vortex", "--max-time", "1", "--vortices")
    assert {k: v for k, v in summary.items() if k != "steps"} == {
        k: v for k, v in expected.items() if k not in ("vortices", "steps")}
    assert vortex_list(flow) == expected["vortices"]
    assert flow.vortices["bound"].sum() == flow.bound_count and flow.free_count == 400

    # From the file (which does not keep where the last vortices were shed),
    # as ltr-cli --load continues it.
    loaded = ltr.Flow.load(saved)
    assert loaded.time == pytest.approx(0.6) and loaded.free_count > 0
    summary = loaded.run(0.7)
    expected = cli("vortex", "--load", saved, "--max-time", "0.7", "--vortices")
    assert summary == {k: v for k, v in expected.items() if k != "vortices"}
    assert vortex_list(loaded) == expected["vortices"]


def test_seeded_concentration_equals_ltr_cli_and_leaves_the_flow(cli, tmp_path):
    case = ltr.Case({"area": {"Speed": 4}, "separation": [True, True, False, True]}, KoefK=0.3)
    case.fractions = [(4e-05, 6e-05, 0.5), (6e-05, 9e-05, 0.5)]
    file = tmp_path / "case.json"
    case.save(file)
    flow = ltr.Flow(case)
    result = ltr.concentration(flow, particles=8, moments=6, seed=11, max_residence=4)
    assert result.to_dict() == cli("concentration", "--case", file, "--particles", 8, "--moments", 6,
                                   "--seed", 11, "--max-residence", 4)
    assert result.seed == 11 and not result.stopped
    ge = result.grade_efficiency
    assert isinstance(ge["penetration"], np.ndarray) and ge["injected"].sum() == 48

    # In a vortex run's flow, the vortices moving with the particles: the
    # flow given stays as it was, so the same run gives the same numbers.
    moving = ltr.Flow(ltr.Case())
    moving.run(0.1)
    saved = tmp_path / "run.evt"
    moving.save(saved)
    before = moving.vortices.copy()
    args = dict(particles=3, moments=3, seed=2, move_vortices=True, max_residence=0.1)
    first = ltr.concentration(moving, **args)
    assert np.array_equal(moving.vortices, before)
    assert ltr.concentration(moving, **args).to_dict() == first.to_dict()
    assert not np.array_equal(first.flow.vortices, before)
    # The file keeps less than the flow in memory (where the last vortices
    # were shed), so ltr-cli --load equals the flow loaded from it.
    assert ltr.concentration(ltr.Flow.load(saved), **args).to_dict() == cli(
        "concentration", "--load", saved, "--particles", 3, "--moments", 3, "--seed", 2, "--move-vortices",
        "--max-residence", 0.1)


def test_sweep_equals_ltr_cli(cli):
    sweep = ltr.sweep(ltr.Case(), "Speed", [2, 3.5], particles=5, moments=5, seed=1)
    assert sweep.to_csv() == cli("sweep", "--param", "Speed", "--values", "2,3.5", "--particles", 5,
                                 "--moments", 5, "--seed", 1, raw=True)
    assert [row["value"] for row in sweep.rows] == [2, 3.5]


def test_velocity_at_arrays_equals_single_points_and_the_field(steady_flow):
    x = np.array([[0.1, 0.5, 0.9], [0.2, 0.6, 0.95]])
    u, v = steady_flow.velocity(x, 0.3)
    assert u.shape == v.shape == (2, 3)
    for index in np.ndindex(x.shape):
        pu, pv = steady_flow.velocity(x[index], 0.3)
        assert (pu, pv) == (u[index], v[index])
    field = steady_flow.field(7, 5)
    gx, gy = np.meshgrid(field["x"], field["y"])
    fu, fv = steady_flow.velocity(gx, gy)
    assert np.array_equal(fu, field["u"]) and np.array_equal(fv, field["v"])
    assert field["max_speed"] == field["speed"].max() > 0
