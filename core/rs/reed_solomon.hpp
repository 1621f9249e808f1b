// Syndrome decoding of Reed-Solomon (and binary BCH) blocks over the fields
// of core/rs/galois_field.hpp: Berlekamp-Massey with erasures, Chien search
// and Forney's error values, and the check symbols of the encoder side.
//
// A block is n symbols, symbol 0 the coefficient of x^(n-1). Its check
// polynomial has the roots alpha^firstRoot .. alpha^(firstRoot + checkCount - 1).
#pragma once

#include <cstdint>

#include "core/rs/galois_field.hpp"

namespace zr::rs {

// Largest block (PDF417: 928 codewords) and check count (PDF417 level 8).
constexpr int kMaxBlockLength = 928;
constexpr int kMaxCheckCount = 512;

struct CodeShape {
    int length = 0;      // n; at most the field's period
    int checkCount = 0;  // syndromes computed, 1 .. n
    int firstRoot = 0;   // power of alpha of the first syndrome
    // Check symbols held back for detection: e errors and f erasures are
    // corrected while 2e + f <= checkCount - spareChecks.
    int spareChecks = 0;
    // The block is a binary BCH word over the field: every error value must be 1.
    bool binary = false;
};

enum class Verdict : std::uint8_t {
    kClean,          // every syndrome zero: nothing changed
    kCorrected,      // a codeword within reach: the block now holds it
    kBadShape,       // shape, symbol value or erasure position out of range
    kTooManyErrors,  // the error locator grew beyond what the checks correct
    kRootsMissing,   // the locator has fewer roots inside the block than its degree
    kNotACodeword,   // the located corrections do not give a codeword
};

// What one decoding did. The block is changed only when Corrected().
struct Outcome {
    Verdict verdict = Verdict::kBadShape;
    std::uint16_t corrected = 0;      // symbols changed
    std::uint16_t locatorDegree = 0;  // errors and erasures the locator stands for (when it stopped)
    std::uint16_t rootsFound = 0;     // locator roots found inside the block

    constexpr bool Ok() const { return verdict == Verdict::kClean || verdict == Verdict::kCorrected; }
    constexpr bool Corrected() const { return verdict == Verdict::kCorrected; }
};

// Corrects `block` in place. `erasures` lists erasureCount distinct symbol
// indices (0 .. n-1) known to be unreliable; it may be null when the count is 0.
// Instantiated for Gf16, Gf256Qr, Gf256Dm and Gf929.
template <class Field>
Outcome Decode(typename Field::Element *block, const CodeShape &shape, const int *erasures = nullptr,
               int erasureCount = 0);

// The checkCount check symbols of dataCount data symbols (systematic
// encoding: the data followed by `check` is a codeword; with more than the
// field's period of symbols, one whose powers repeat). False for a shape or a
// data symbol out of range.
template <class Field>
bool ComputeCheckSymbols(const typename Field::Element *data, int dataCount, int checkCount, int firstRoot,
                         typename Field::Element *check);

}  // namespace zr::rs
