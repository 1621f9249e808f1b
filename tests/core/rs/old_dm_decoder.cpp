// The DataMatrix decoder as it stood before core/rs, kept verbatim as the
// reference of the equivalence test: Peterson-Gorenstein-Zierler over GF(256) 0x12D.
#include <algorithm>
#include <array>

#include "dm/size_table.hpp"
#include "old_decoders.hpp"

namespace zr::test::old {
using dm::kMaxEcPerBlock;

namespace {

constexpr int kFieldPolynomial = 0x12D;
constexpr int kMaxErrors = kMaxEcPerBlock / 2;
constexpr int kMaxBlockLength = 255;

struct GaloisField {
    std::array<std::uint8_t, 256> exp{};  // exp[i] = 2^i; exp[255] = 1
    std::array<std::int16_t, 256> log{};  // log[2^i] = i for i = 1 .. 255; log[0] unused
};

constexpr GaloisField MakeField() {
    GaloisField f{};
    int v = 1;
    for (int i = 0; i < 256; ++i) {
        f.exp[i] = static_cast<std::uint8_t>(v);
        v <<= 1;
        if (v >= 256) v ^= kFieldPolynomial;
    }
    for (int i = 1; i < 256; ++i) f.log[f.exp[i]] = static_cast<std::int16_t>(i);
    f.log[0] = -255;
    return f;
}

constexpr GaloisField kField = MakeField();

int Multiply(int a, int b) {
    if (a == 0 || b == 0) return 0;
    return kField.exp[(kField.log[a] + kField.log[b]) % 255];
}

int Divide(int a, int b) {
    if (a == 0) return 0;
    return kField.exp[(kField.log[a] - kField.log[b] + 255) % 255];
}

// 2^k for any k >= 0.
int Power(int k) {
    return kField.exp[k % 255];
}

// 2^-k for 0 <= k < 255.
int InversePower(int k) {
    return kField.exp[(255 - k % 255) % 255];
}

// A linear system of up to kMaxErrors unknowns, its right-hand side in the last column.
using System = std::array<std::array<int, kMaxErrors + 1>, kMaxErrors>;

// Gauss-Jordan elimination over the field on the first `columns` columns;
// a column without a usable pivot is skipped. Returns the rank. When the rank
// equals `columns` (and rows == columns), row r holds unknown r's value in
// the last column.
int Reduce(System &m, int rows, int columns) {
    int rank = 0;
    for (int c = 0; c < columns && rank < rows; ++c) {
        int pivot = rank;
        while (pivot < rows && m[pivot][c] == 0) ++pivot;
        if (pivot == rows) continue;
        std::swap(m[pivot], m[rank]);
        auto &top = m[rank];
        const int scale = top[c];
        for (int k = 0; k <= columns; ++k) top[k] = Divide(top[k], scale);
        for (int r = 0; r < rows; ++r) {
            auto &row = m[r];
            const int f = row[c];
            if (r == rank || f == 0) continue;
            for (int k = 0; k <= columns; ++k) row[k] ^= Multiply(f, top[k]);
        }
        ++rank;
    }
    return rank;
}

// Syndromes S_i = block(2^(i+1)), i = 0 .. ecCount - 1. true when any is non-zero.
bool Syndromes(const std::int32_t *block, int length, int ecCount, std::array<int, kMaxEcPerBlock> &s) {
    bool any = false;
    for (int i = 0; i < ecCount; ++i) {
        int sum = 0;
        for (int k = 0; k < length; ++k) sum ^= Multiply(block[k] & 255, Power((i + 1) * (length - 1 - k)));
        s[i] = sum;
        any = any || sum != 0;
    }
    return any;
}

}  // namespace

int OldDmCorrectBlock(std::int32_t *block, int blockLength, int ecCount) {
    if (block == nullptr || blockLength < 1 || blockLength > kMaxBlockLength || ecCount < 1 ||
        ecCount > kMaxEcPerBlock || ecCount >= blockLength)
        return -1;
    for (int k = 0; k < blockLength; ++k)
        if (block[k] < 0 || block[k] > 255) return -1;
    std::array<int, kMaxEcPerBlock> s{};
    if (!Syndromes(block, blockLength, ecCount, s)) return 0;

    // The rank of the syndrome matrix is the number of errors.
    const int t = ecCount / 2;
    System m{};
    for (int r = 0; r < t; ++r)
        for (int c = 0; c <= t; ++c) m[r][c] = s[r + c];
    const int errors = Reduce(m, t, t);
    if (errors == 0) return -1;  // non-zero syndromes that no error pattern within reach explains

    // Locator coefficients: sum_j S(r + j) lambda_j = S(r + errors).
    m = System{};
    for (int r = 0; r < errors; ++r) {
        for (int j = 0; j < errors; ++j) m[r][j] = s[r + j];
        m[r][errors] = s[r + errors];
    }
    if (Reduce(m, errors, errors) < errors) return -1;
    std::array<int, kMaxErrors + 1> locator{};  // locator[k]: coefficient of x^k
    locator[0] = 1;
    for (int k = 1; k <= errors; ++k) locator[k] = m[errors - k][errors];

    // Chien search: a root 2^-i marks an error at power i.
    std::array<int, kMaxErrors> positions{};
    int found = 0;
    for (int i = 0; i < blockLength && found < errors; ++i) {
        int value = 0;
        for (int k = 0; k <= errors; ++k) value ^= Multiply(locator[k], InversePower((i * k) % 255));
        if (value == 0) positions[found++] = i;
    }
    if (found < errors) return -1;

    // Error values: sum_k Y_k X_k^(r+1) = S_r.
    m = System{};
    for (int r = 0; r < errors; ++r) {
        for (int k = 0; k < errors; ++k) m[r][k] = Power(positions[k] * (r + 1));
        m[r][errors] = s[r];
    }
    if (Reduce(m, errors, errors) < errors) return -1;

    std::array<std::int32_t, kMaxBlockLength> corrected{};
    std::copy_n(block, blockLength, corrected.begin());
    for (int k = 0; k < errors; ++k) corrected[blockLength - 1 - positions[k]] ^= m[k][errors];
    // A correction that does not give a codeword was a wrong guess.
    if (Syndromes(corrected.data(), blockLength, ecCount, s)) return -1;
    std::copy_n(corrected.begin(), blockLength, block);
    return errors;
}

}  // namespace zr::test::old
