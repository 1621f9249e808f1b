// The two-dimensional and stacked readers' part of scan_digest.
#pragma once

namespace zr::digest {

// Prints every result of ZrScanQR, ZrScanMicroQR, ZrScanDM and ZrScanPDF417
// over a fixed set of rendered pictures.
void PrintMatrixDigest();

}  // namespace zr::digest
