import enum
import os
from typing import Any, Iterable, List, Optional, Tuple, Union

class BarcodeFormat(enum.IntEnum):
    Industrial2of5: int
    Inverted2of5: int
    Interleaved2of5: int
    IATA2of5: int
    Matrix2of5: int
    Code39: int
    Codabar: int
    BCDMatrix: int
    Datalogic2of5: int
    Code128: int
    EAN128: int
    Code93: int
    EAN13: int
    UPCA: int
    EAN8: int
    UPCE: int
    AddOn5: int
    AddOn2: int
    QRCode: int
    MicroQRCode: int
    DataMatrix: int
    PDF417: int

class Barcode:
    @property
    def format(self) -> BarcodeFormat: ...
    @property
    def text(self) -> str: ...
    @property
    def bytes(self) -> bytes: ...
    @property
    def symbology_identifier(self) -> str: ...
    @property
    def position(self) -> List[Tuple[int, int]]: ...
    @property
    def orientation(self) -> float: ...
    @property
    def ec_level(self) -> str: ...
    @property
    def version(self) -> str: ...
    @property
    def inverted(self) -> bool: ...
    @property
    def is_gs1(self) -> bool: ...

class ImageError(ValueError): ...

def format_from_string(name: str) -> BarcodeFormat: ...
def read_barcodes(
    image: Union[Any, str, os.PathLike, bytes, bytearray, memoryview],
    formats: Optional[Union[BarcodeFormat, str, Iterable[Union[BarcodeFormat, str]]]] = None,
    max_symbols: int = 20,
    first_look_only: bool = False,
) -> List[Barcode]: ...
