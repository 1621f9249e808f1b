"""Reads barcodes of every symbology the ZrReaders toolkit knows in one call.

    import zrreaders
    for barcode in zrreaders.read_barcodes("label.png"):
        print(barcode.format, barcode.text)
"""
import os

from ._zrreaders import Barcode, BarcodeFormat, ImageError, format_from_string
from . import _zrreaders

__all__ = ["Barcode", "BarcodeFormat", "ImageError", "read_barcodes"]

_ALL_FORMATS = 0
for _format in BarcodeFormat.__members__.values():
    _ALL_FORMATS |= int(_format)


def _format_bits(formats):
    if formats is None:
        return _ALL_FORMATS
    if isinstance(formats, (BarcodeFormat, str)):
        formats = [formats]
    bits = 0
    for item in formats:
        bits |= int(format_from_string(item) if isinstance(item, str) else BarcodeFormat(item))
    return bits


def _as_array(image):
    """A numpy array of uint8 pixels whose rows may be apart but whose pixels are not."""
    import numpy

    if not isinstance(image, numpy.ndarray):
        # A PIL image: grey, RGB and RGBA pass as they are, other modes become RGB.
        if image.mode not in ("L", "RGB", "RGBA"):
            image = image.convert("RGB")
        image = numpy.asarray(image)
    if image.dtype != numpy.uint8:
        raise TypeError("the array must hold uint8 pixels")
    itemsize = 1 if image.ndim == 2 else image.shape[2]
    if image.ndim >= 2 and (image.strides[1] != itemsize or (image.ndim == 3 and image.strides[2] != 1)):
        image = numpy.ascontiguousarray(image)
    return image


def read_barcodes(image, formats=None, max_symbols=20, first_look_only=False):
    """Every symbol found in `image`: a numpy uint8 array (H x W grey, H x W x 3 RGB,
    H x W x 4 RGBA, any strides), a PIL image, a path, or the bytes of a PNG, JPEG,
    TIFF or BMP file. `formats`: None for all, or BarcodeFormat values or names.
    `max_symbols` is per reader. Raises ImageError when a file cannot be read."""
    bits = _format_bits(formats)
    if isinstance(image, (bytes, bytearray, memoryview)):
        return _zrreaders.read_bytes(bytes(image), bits, max_symbols, first_look_only)
    if isinstance(image, (str, os.PathLike)):
        return _zrreaders.read_file(os.fspath(image), bits, max_symbols, first_look_only)
    return _zrreaders.read_array(_as_array(image), bits, max_symbols, first_look_only)
