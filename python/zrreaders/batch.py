"""Reads many pictures on a Dask cluster, one record per picture.

    from zrreaders import batch
    for record in batch.read_folder("scans/"):          # a LocalCluster, one worker per core
        print(record["file"], record["status"], [b["text"] for b in record["barcodes"]])

    client = distributed.Client("tcp://scheduler:8786")  # or a cluster of your own
    records = list(batch.read_paths(paths, client=client))

A record is the dict of a `zrread --format jsonl` line: {"file", "status" ("ok" or the
error), "barcodes": [{"format", "text", "bytes" (hex), "symbologyIdentifier", "corners",
"orientation"}, ...]}. A picture that cannot be read gives a record with its error, never a
failed job. From the command line:

    python3 -m zrreaders.batch FOLDER... [--scheduler tcp://HOST:PORT] [--out results.jsonl]
"""
import argparse
import collections
import contextlib
import itertools
import json
import os
import stat
import sys
import time
from typing import Any, Dict, Iterable, Iterator, List, Optional, Tuple

from . import _format_bits, _zrreaders

__all__ = ["read_paths", "read_folder", "read_bytes", "walk_pictures", "main"]

Record = Dict[str, Any]
STATUS_OK = "ok"
# Enough of a file's head for every signature the image library knows.
_HEAD_BYTES = 16
# Chunks submitted ahead per worker thread; bounds what is held at once.
_CHUNKS_PER_THREAD = 2


def _barcode_record(barcode) -> Record:
    return {
        "format": str(barcode.format),
        "text": barcode.text,
        "bytes": barcode.bytes.hex(),
        "symbologyIdentifier": barcode.symbology_identifier,
        "corners": [[x, y] for x, y in barcode.position],
        "orientation": barcode.orientation,
    }


def _record(name: str, status: str, barcodes=()) -> Record:
    return {"file": name, "status": status, "barcodes": [_barcode_record(b) for b in barcodes]}


def _error_status(name: str, error: BaseException) -> str:
    if isinstance(error, MemoryError):
        return f"{name}: out of memory"
    return str(error) or f"{name}: {type(error).__name__}"


def _read_path(path: str, bits: int, max_symbols: int, first_look_only: bool) -> Record:
    try:
        return _record(path, STATUS_OK, _zrreaders.read_file(path, bits, max_symbols, first_look_only))
    except Exception as error:  # every failure of one picture is that picture's record
        return _record(path, _error_status(path, error))


def _read_chunk(items: List[Tuple[str, Optional[str]]], bits: int, max_symbols: int,
                first_look_only: bool) -> List[Record]:
    """Runs on a worker: (path, error) pairs; an error already known gives its record unread."""
    return [_record(path, f"{path}: {error}") if error else _read_path(path, bits, max_symbols, first_look_only)
            for path, error in items]


def _read_bytes_chunk(items: List[Tuple[str, bytes]], bits: int, max_symbols: int,
                      first_look_only: bool) -> List[Record]:
    records = []
    for name, data in items:
        try:
            found = _zrreaders.read_bytes(bytes(data), bits, max_symbols, first_look_only)
            records.append(_record(name, STATUS_OK, found))
        except Exception as error:
            records.append(_record(name, f"{name}: {error}"))
    return records


def _looks_like_picture(path: str) -> bool:
    try:
        with open(path, "rb") as file:
            return _zrreaders.image_type(file.read(_HEAD_BYTES)) != 0
    except OSError:
        return False


def walk_pictures(folder: str) -> Iterator[Tuple[str, Optional[str]]]:
    """(path, None) for each picture below `folder`, told by content, depth first with each
    folder's entries by name, as `zrread -r` walks; (folder, reason) for a folder that cannot
    be listed. Folders reached through a link are not entered."""
    try:
        names = sorted(os.listdir(folder))
    except OSError as error:
        yield folder, f"cannot list the folder: {error.strerror}"
        return
    for name in names:
        path = os.path.join(folder, name)
        try:
            mode = os.lstat(path).st_mode
            if stat.S_ISDIR(mode):
                yield from walk_pictures(path)
                continue
            if stat.S_ISLNK(mode):
                mode = os.stat(path).st_mode
        except OSError:
            continue
        if stat.S_ISREG(mode) and _looks_like_picture(path):
            yield path, None


@contextlib.contextmanager
def _client_for(client):
    """The caller's client, or one on a LocalCluster with a worker process per core."""
    if client is not None:
        yield client
        return
    from distributed import Client, LocalCluster

    with LocalCluster(n_workers=os.cpu_count() or 1, threads_per_worker=1, processes=True,
                      dashboard_address=None) as cluster, Client(cluster) as local:
        yield local


def _chunks(items: Iterable, size: int) -> Iterator[list]:
    iterator = iter(items)
    while True:
        chunk = list(itertools.islice(iterator, size))
        if not chunk:
            return
        yield chunk


def _run(function, items: Iterable, client, chunk: int, options: tuple, name_of) -> Iterator[Record]:
    """Submits chunks of `items` a few per worker thread ahead and yields their records in
    input order. A chunk whose task fails (a worker lost) gives error records."""
    if chunk < 1:
        raise ValueError("chunk must be at least 1")
    with _client_for(client) as active:
        threads = max(1, sum(active.nthreads().values()))
        window = threads * _CHUNKS_PER_THREAD
        pending: collections.deque = collections.deque()

        def finished():
            items_of, future = pending.popleft()
            try:
                return future.result()
            except Exception as error:
                return [_record(name_of(item), f"{name_of(item)}: the task failed: {error}") for item in items_of]
            finally:
                future.release()

        for part in _chunks(items, chunk):
            pending.append((part, active.submit(function, part, *options, pure=False)))
            if len(pending) >= window:
                yield from finished()
        while pending:
            yield from finished()


def read_paths(paths: Iterable[str], client=None, formats=None, chunk: int = 64, max_symbols: int = 20,
               first_look_only: bool = False) -> Iterator[Record]:
    """One record per path, in order. The workers open the files themselves: the paths must
    name the same files on every machine (shared storage)."""
    items = ((os.fspath(path), None) for path in paths)
    return _run(_read_chunk, items, client, chunk, (_format_bits(formats), max_symbols, first_look_only),
                lambda item: item[0])


def read_folder(folder: str, client=None, formats=None, chunk: int = 64, max_symbols: int = 20,
                first_look_only: bool = False) -> Iterator[Record]:
    """The records of every picture below `folder`, in the order `zrread -r` reads them (a
    path that is no folder is read as a picture, as zrread does)."""
    folder = os.fspath(folder)
    items = walk_pictures(folder) if os.path.isdir(folder) else iter([(folder, None)])
    return _run(_read_chunk, items, client, chunk,
                (_format_bits(formats), max_symbols, first_look_only), lambda item: item[0])


def read_bytes(pictures: Iterable[Tuple[str, bytes]], client=None, formats=None, chunk: int = 64,
               max_symbols: int = 20, first_look_only: bool = False) -> Iterator[Record]:
    """One record per (name, file bytes) pair: the bytes travel to the workers, so the files
    need not be on shared storage; the name is the record's "file"."""
    return _run(_read_bytes_chunk, pictures, client, chunk, (_format_bits(formats), max_symbols, first_look_only),
                lambda item: item[0])


def _progress_line(done: int, total: int, seconds: float) -> str:
    width = 30
    filled = width * done // total if total else width
    rate = done / seconds if seconds > 0 else 0.0
    return f"\r[{'#' * filled}{'.' * (width - filled)}] {done}/{total} pictures, {rate:.1f} per second"


def main(argv: Optional[List[str]] = None) -> int:
    parser = argparse.ArgumentParser(prog="python3 -m zrreaders.batch",
                                     description="Reads the pictures of folders on a Dask cluster "
                                                 "and writes one JSON line per picture.")
    parser.add_argument("folders", nargs="+", metavar="FOLDER", help="folders (walked) or picture files")
    parser.add_argument("--scheduler", metavar="ADDRESS", help="tcp://HOST:PORT of a running scheduler "
                                                               "(default: a local cluster, one worker per core)")
    parser.add_argument("--out", metavar="FILE", help="where the JSON lines go (default: standard output)")
    parser.add_argument("--formats", metavar="LIST", help="comma-separated format names (default: all)")
    parser.add_argument("--chunk", type=int, default=64, help="pictures per task (default 64)")
    parser.add_argument("--quiet", action="store_true", help="no progress bar")
    args = parser.parse_args(argv)

    try:
        import distributed
    except ImportError:
        print("zrreaders.batch: Dask's distributed scheduler is not installed "
              "(Debian: python3-distributed)", file=sys.stderr)
        return 2
    formats = [name.strip() for name in args.formats.split(",")] if args.formats else None
    try:
        _format_bits(formats)
    except ValueError as error:
        parser.error(str(error))
    # The whole list first, so the bar knows its length.
    items: List[Tuple[str, Optional[str]]] = []
    for name in args.folders:
        items.extend(walk_pictures(name) if os.path.isdir(name) else [(name, None)])

    out = open(args.out, "w", encoding="utf-8") if args.out else sys.stdout
    client = distributed.Client(args.scheduler) if args.scheduler else None
    counts = collections.Counter()
    start = time.monotonic()
    try:
        records = _run(_read_chunk, items, client, args.chunk, (_format_bits(formats), 20, False),
                       lambda item: item[0])
        for done, record in enumerate(records, 1):
            out.write(json.dumps(record, ensure_ascii=False) + "\n")
            counts["failed" if record["status"] != STATUS_OK else "found" if record["barcodes"] else "empty"] += 1
            if not args.quiet and sys.stderr.isatty():
                sys.stderr.write(_progress_line(done, len(items), time.monotonic() - start))
    finally:
        if client is not None:
            client.close()
        if out is not sys.stdout:
            out.close()
    if not args.quiet:
        print(f"\n{len(items)} pictures: {counts['found']} with symbols, {counts['empty']} without, "
              f"{counts['failed']} failed; {time.monotonic() - start:.2f} s", file=sys.stderr)
    if items and counts["failed"] == len(items):
        return 2
    return 0 if counts["found"] else 1


if __name__ == "__main__":
    from zrreaders.batch import main as _main  # the package's module, whose functions workers can import

    sys.exit(_main())
