"""The Python package over the bundled samples: every kind of picture input,
formats, errors and reading from several threads at once."""
import os
import pathlib
import threading

import numpy
import pytest
from PIL import Image

import zrreaders

SAMPLES = pathlib.Path(os.environ.get("ZR_SAMPLES", pathlib.Path(__file__).parents[2] / "samples"))
CODE128 = SAMPLES / "code128.png"
# What the C interface reports for this sample (zrread --json).
CODE128_TEXT = "ZrReaders 128"
CODE128_CORNERS = [(30, 30), (563, 30), (563, 179), (30, 179)]


def grey_array():
    return numpy.asarray(Image.open(CODE128).convert("L"))


def test_path_bytes_pil_and_array_read_alike():
    inputs = [
        str(CODE128),
        CODE128,
        CODE128.read_bytes(),
        Image.open(CODE128),
        grey_array(),
        numpy.asarray(Image.open(CODE128).convert("RGB")),
        numpy.asarray(Image.open(CODE128).convert("RGBA")),
    ]
    for image in inputs:
        found = zrreaders.read_barcodes(image)
        assert len(found) == 1, type(image)
        barcode = found[0]
        assert barcode.text == CODE128_TEXT
        assert barcode.bytes == CODE128_TEXT.encode()
        assert barcode.position == CODE128_CORNERS
        assert barcode.format == zrreaders.BarcodeFormat.Code128
        assert str(barcode.format) == "Code 128"
        assert barcode.symbology_identifier == "]C0"
        assert not barcode.is_gs1 and not barcode.inverted


def test_strided_views():
    picture = grey_array()
    height, width = picture.shape
    # A sub-rectangle of a larger picture: rows further apart than their width.
    canvas = numpy.full((height + 40, width + 60), 255, dtype=numpy.uint8)
    canvas[20:20 + height, 30:30 + width] = picture
    view = canvas[20:20 + height, 30:30 + width]
    assert not view.flags["C_CONTIGUOUS"]
    found = zrreaders.read_barcodes(view)
    assert [b.position for b in found] == [CODE128_CORNERS]
    # Rows bottom-up (a negative stride): the symbol upside down still reads.
    flipped = picture[::-1]
    assert flipped.strides[0] < 0
    assert [b.text for b in zrreaders.read_barcodes(flipped)] == [CODE128_TEXT]
    # Every other column: pixels not side by side, copied first.
    assert isinstance(zrreaders.read_barcodes(canvas[:, ::2]), list)


def test_formats_and_options():
    picture = grey_array()
    assert zrreaders.read_barcodes(picture, formats=[zrreaders.BarcodeFormat.QRCode]) == []
    assert len(zrreaders.read_barcodes(picture, formats="code128")) == 1
    assert len(zrreaders.read_barcodes(picture, formats=["qrcode", zrreaders.BarcodeFormat.Code128])) == 1
    assert len(zrreaders.read_barcodes(picture, first_look_only=True, max_symbols=1)) == 1
    assert zrreaders.format_from_string("DataMatrix") == zrreaders.BarcodeFormat.DataMatrix
    with pytest.raises(ValueError):
        zrreaders.read_barcodes(picture, formats="no such code")
    with pytest.raises(ValueError):
        zrreaders.read_barcodes(picture, max_symbols=0)


def test_errors_carry_the_status_meaning():
    with pytest.raises(zrreaders.ImageError, match="not supported"):
        zrreaders.read_barcodes(b"not a picture")
    with pytest.raises(zrreaders.ImageError, match="cannot be opened"):
        zrreaders.read_barcodes(str(SAMPLES / "missing.png"))
    with pytest.raises(zrreaders.ImageError):
        zrreaders.read_barcodes(CODE128.read_bytes()[:200])
    with pytest.raises(TypeError):
        zrreaders.read_barcodes(numpy.zeros((10, 10), dtype=numpy.float32))
    with pytest.raises(ValueError):
        zrreaders.read_barcodes(numpy.zeros((10, 10, 2), dtype=numpy.uint8))
    assert zrreaders.read_barcodes(numpy.full((50, 50), 255, dtype=numpy.uint8)) == []


def test_four_threads_at_once():
    picture = numpy.asarray(Image.open(CODE128).convert("RGB"))
    results = [None] * 4
    start = threading.Barrier(4)

    def work(index):
        start.wait()
        results[index] = [[b.text for b in zrreaders.read_barcodes(picture)] for _ in range(10)]

    threads = [threading.Thread(target=work, args=(i,)) for i in range(4)]
    for thread in threads:
        thread.start()
    for thread in threads:
        thread.join()
    assert results == [[[CODE128_TEXT]] * 10] * 4
