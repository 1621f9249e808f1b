"""Reads one picture file through the installed Python package, printing the texts found."""
import sys

import zrreaders

print([barcode.text for barcode in zrreaders.read_barcodes(sys.argv[1])])
