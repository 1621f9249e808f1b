// Reads one picture file through the installed C++ interface, printing every text found.
#include <iostream>

#include <zr/ZrReaders.hpp>

int main(int argc, char **argv) {
    if (argc < 2) return 2;
    const std::vector<zr::Barcode> found = zr::ReadBarcodes(zr::ReadImageFile(argv[1]));
    for (const zr::Barcode &barcode : found) std::cout << zr::ToString(barcode.format) << ": " << barcode.text << '\n';
    return found.size() == 1 ? 0 : 1;
}
