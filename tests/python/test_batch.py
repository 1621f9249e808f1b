"""zrread's batch outputs read back with Python's csv and json, and zrreaders.batch on a Dask
cluster of a scheduler and two workers, each started as its own process, giving the records
zrread gives."""
import csv
import io
import json
import os
import pathlib
import shutil
import socket
import subprocess
import sys

import pytest

from zrreaders import batch

SAMPLES = pathlib.Path(os.environ.get("ZR_SAMPLES", pathlib.Path(__file__).parents[2] / "samples"))
HOSTILE = pathlib.Path(__file__).parents[1] / "imgrw" / "hostile" / "imgrw-slow-png-huge-ihdr.png"
ZRREAD = os.environ.get("ZRREAD")
STARTUP_SECONDS = 60


def zrread(*arguments, stdin=None):
    if not ZRREAD:
        pytest.skip("ZRREAD (the path of zrread) is not set")
    run = subprocess.run([ZRREAD, "--quiet", *arguments], input=stdin, capture_output=True, timeout=120)
    assert run.returncode in (0, 1), run.stderr
    return run.stdout.decode("utf-8")


@pytest.fixture(scope="module")
def folder(tmp_path_factory):
    """Pictures in nested folders, with a truncated PNG, a hostile file and a text file."""
    root = tmp_path_factory.mktemp("pictures")
    (root / "sub" / "deeper").mkdir(parents=True)
    shutil.copy(SAMPLES / "code128.png", root / "a.png")
    shutil.copy(SAMPLES / "ean13.png", root / "sub" / "b.png")
    shutil.copy(SAMPLES / "itf.png", root / "sub" / "deeper" / "c.png")
    shutil.copy(HOSTILE, root / "sub" / "hostile.png")
    whole = (SAMPLES / "code39.png").read_bytes()
    (root / "sub" / "truncated.png").write_bytes(whole[: len(whole) // 2])
    (root / "sub" / "notes.txt").write_text("not a picture\n")
    return root


def test_csv_and_json_lines_parse_back(folder):
    records = [json.loads(line) for line in zrread("-r", "--format", "jsonl", str(folder)).splitlines()]
    rows = list(csv.DictReader(io.StringIO(zrread("-r", "--format", "csv", str(folder)), newline="")))
    # The text file is not a picture and is left out of the walk; the others each give a record.
    assert [pathlib.Path(r["file"]).relative_to(folder).as_posix() for r in records] == [
        "a.png", "sub/b.png", "sub/deeper/c.png", "sub/hostile.png", "sub/truncated.png"]
    assert [r["status"] == "ok" for r in records] == [True, True, True, False, False]
    # One CSV row per symbol and one per failed picture, with the JSON lines' values.
    expected = []
    for record in records:
        if record["status"] != "ok":
            expected.append((record["file"], record["status"], "", ""))
        for barcode in record["barcodes"]:
            assert bytes.fromhex(barcode["bytes"]).decode() == barcode["text"]
            assert len(barcode["corners"]) == 4
            expected.append((record["file"], "ok", barcode["format"], barcode["text"]))
    assert [(r["file"], r["status"], r["format"], r["text"]) for r in rows] == expected
    first = next(r for r in rows if r["status"] == "ok")
    assert [int(first[f"{axis}{i}"]) for i in range(1, 5) for axis in "xy"] == \
        [v for corner in records[0]["barcodes"][0]["corners"] for v in corner]
    assert float(first["orientation"]) == records[0]["barcodes"][0]["orientation"]


def free_port():
    with socket.socket() as probe:
        probe.bind(("127.0.0.1", 0))
        return probe.getsockname()[1]


@pytest.fixture(scope="module")
def client(tmp_path_factory):
    distributed = pytest.importorskip(
        "distributed", reason="Dask's distributed scheduler (Debian python3-distributed) is not installed")
    address = f"tcp://127.0.0.1:{free_port()}"
    work = tmp_path_factory.mktemp("dask")
    log = open(work / "cluster.log", "wb")
    processes = []
    connected = None
    try:
        processes.append(subprocess.Popen(
            [sys.executable, "-m", "distributed.cli.dask_scheduler", "--host", "127.0.0.1", "--port",
             address.rsplit(":", 1)[1], "--no-dashboard"], stdout=log, stderr=log))
        for _ in range(2):
            processes.append(subprocess.Popen(
                [sys.executable, "-m", "distributed.cli.dask_worker", address, "--nthreads", "1", "--no-nanny",
                 "--no-dashboard", "--local-directory", str(work)], stdout=log, stderr=log))
        connected = distributed.Client(address, timeout=STARTUP_SECONDS)
        connected.wait_for_workers(2, timeout=STARTUP_SECONDS)
        yield connected
    finally:
        if connected is not None:
            connected.close()
        for process in processes:
            process.terminate()
        for process in processes:
            try:
                process.wait(timeout=15)
            except subprocess.TimeoutExpired:
                process.kill()
                process.wait()
        log.close()


def test_dask_gives_the_records_of_zrread(client, folder):
    expected = [json.loads(line) for line in zrread("-r", "--format", "jsonl", str(folder)).splitlines()]
    assert len(client.scheduler_info()["workers"]) == 2
    assert list(batch.read_folder(str(folder), client=client, chunk=2)) == expected

    # The command line on the same cluster writes the same lines.
    out = folder.parent / "records.jsonl"
    subprocess.run([sys.executable, "-m", "zrreaders.batch", str(folder), "--scheduler", client.scheduler.address,
                    "--out", str(out), "--quiet"], check=True, timeout=120)
    assert [json.loads(line) for line in out.read_text().splitlines()] == expected


def test_failing_pictures_are_records_not_failed_jobs(client, folder):
    paths = [str(folder / "missing.png"), str(folder / "sub" / "notes.txt"), str(folder / "a.png")]
    expected = [json.loads(line) for line in zrread("--format", "jsonl", "-", stdin="\n".join(paths).encode())
                .splitlines()]
    assert list(batch.read_paths(paths, client=client, chunk=1)) == expected
    assert [r["status"] == "ok" for r in expected] == [False, False, True]

    whole = (SAMPLES / "ean13.png").read_bytes()
    records = list(batch.read_bytes([("good", whole), ("cut", whole[:60]), ("text", b"hello")], client=client,
                                    formats=["ean13"]))
    assert [r["file"] for r in records] == ["good", "cut", "text"]
    assert records[0]["status"] == "ok" and records[0]["barcodes"][0]["text"] == "4006381333931"
    assert records[1]["status"].startswith("cut: ") and not records[1]["barcodes"]
    assert "not supported" in records[2]["status"]


def test_without_a_client_a_local_cluster_is_started_and_closed(folder):
    pytest.importorskip("distributed", reason="Dask's distributed scheduler is not installed")
    records = list(batch.read_paths([str(folder / "a.png"), str(folder / "sub" / "b.png")], formats="code128"))
    assert [[b["text"] for b in r["barcodes"]] for r in records] == [["ZrReaders 128"], []]
