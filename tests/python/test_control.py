# Stopping runs from Python, bad input, and the C library's locale.
import locale
import os
import signal
import threading

import numpy as np
import pytest

import ltr


def test_interrupt_stops_a_vortex_run_and_the_flow_runs_on():
    flow = ltr.Flow(ltr.Case())
    started = threading.Event()

    def progress(fraction, text):
        assert 0 <= fraction <= 1 and "сек." in text
        if not started.is_set():
            started.set()
            # Ctrl+C while the run computes with the GIL released.
            threading.Thread(target=os.kill, args=(os.getpid(), signal.SIGINT)).start()

    with pytest.raises(KeyboardInterrupt):
        flow.run(100.0, progress=progress)
    stopped_at = flow.time
    assert 0 < stopped_at < 100 and flow.free_count > 0
    summary = flow.run(stopped_at + 0.02)
    assert summary["time"] == flow.time >= stopped_at + 0.02


def test_interrupt_and_errors_of_the_progress_callable_stop_a_concentration_run(steady_flow):
    before = steady_flow.vortices.copy()

    def interrupt(fraction, text):
        os.kill(os.getpid(), signal.SIGINT)

    with pytest.raises(KeyboardInterrupt):
        ltr.concentration(steady_flow, particles=50, moments=50, seed=1, progress=interrupt)

    def fail(fraction, text):
        raise ZeroDivisionError("from the callable")

    with pytest.raises(ZeroDivisionError):
        ltr.concentration(steady_flow, seed=1, progress=fail)
    assert np.array_equal(steady_flow.vortices, before)
    assert not ltr.concentration(steady_flow, seed=1, max_steps=3).to_dict()["output_concentration"]


def message_of(stderr):
    return stderr.strip().split(": ", 1)[1] if stderr.startswith("ltr-cli") else stderr.strip()


def test_bad_input_raises_the_programs_message(cli, steady_flow, tmp_path):
    with pytest.raises(ValueError) as error:
        ltr.Flow(ltr.Case(H=-1))
    assert str(error.value) in cli("vortex", "--set", "H=-1", expect=2)
    with pytest.raises(ValueError) as error:
        ltr.concentration(steady_flow, particles=0)
    assert str(error.value) in cli("concentration", "--particles", 0, expect=2)
    bad = tmp_path / "bad.json"
    bad.write_text('{"area": {"Height": 1}}')
    with pytest.raises(ValueError) as error:
        ltr.Case(str(bad))
    assert str(error.value) in cli("vortex", "--case", bad, expect=2)
    with pytest.raises(ValueError, match="Height"):
        ltr.Case({"area": {"Height": 1}})
    with pytest.raises(ValueError):
        ltr.Case(Nonsense=1)
    with pytest.raises(KeyError):
        ltr.Case().area["Nonsense"] = 1
    assert all(f["caption"] for f in ltr.Case.fields() if f["minimum"] is not None)


def test_results_and_case_files_do_not_depend_on_the_c_locale(cli, tmp_path):
    try:
        locale.setlocale(locale.LC_ALL, "ru_RU.UTF-8")
    except locale.Error:
        if os.environ.get("LTR_REQUIRE_LOCALES") == "1":
            raise
        pytest.skip("locale ru_RU.UTF-8 is not installed (scripts/setup.sh makes it)")
    try:
        assert locale.localeconv()["decimal_point"] == ","
        case = ltr.Case(Speed=2.5, InputConcentration=2.5e-05)
        file = tmp_path / "case.json"
        case.save(file)
        assert "2.5" in file.read_text() and ltr.Case(str(file)).area["Speed"] == 2.5
        result = ltr.concentration(ltr.Flow(case), particles=5, moments=5, seed=4)
        assert result.to_dict() == cli("concentration", "--case", file, "--particles", 5, "--moments", 5,
                                       "--seed", 4)
        csv = ltr.sweep(case, "Speed", [2.5], particles=3, moments=3, seed=1).to_csv()
        assert "2.5," in csv
    finally:
        locale.setlocale(locale.LC_ALL, "C")
