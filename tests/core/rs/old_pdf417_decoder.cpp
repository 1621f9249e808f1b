// The PDF417 decoder as it stood before core/rs, kept verbatim as the
// reference of the equivalence test: syndrome matrix solved over GF(929),
// the last syndrome kept back as a check.
#include <array>
#include <utility>
#include <vector>

#include "old_decoders.hpp"

namespace zr::test::old {

namespace {
constexpr int kFieldSize = 929;
constexpr int kOldFailed = -1;
}  // namespace

namespace {

// Powers of the generator 3 and the inverses, built per correction.
struct Field {
    std::array<int, kFieldSize> exp{};  // 3^i, i = 0 .. 928
    std::array<int, kFieldSize> inv{};  // 1 / v for v = 1 .. 928

    Field() {
        std::array<int, kFieldSize> log{};
        int v = 1;
        for (int i = 0; i < kFieldSize; ++i) {
            exp[i] = v;
            if (i < kFieldSize - 1 && log[v] == 0 && v != 1) log[v] = i;
            v = v * 3 % kFieldSize;
        }
        for (int value = 1; value < kFieldSize; ++value)
            inv[value] = exp[(kFieldSize - 1 - log[value]) % (kFieldSize - 1)];
    }
    static int Mul(int a, int b) { return a * b % kFieldSize; }
    int Div(int a, int b) const { return a == 0 || b == 0 ? 0 : Mul(a, inv[b]); }
};

// Row-major square matrix of size t with a right-hand side.
struct System {
    int size = 0;
    std::vector<int> a;  // size * size
    std::vector<int> b;  // size

    void Reset(int n) {
        size = n;
        a.assign(static_cast<std::size_t>(n) * n, 0);
        b.assign(n, 0);
    }
    int &At(int r, int c) { return a[static_cast<std::size_t>(r) * size + c]; }
};

// Solves in place; false when a pivot is zero. The pivot of each column is
// the unused row with the largest entry, the upper row on ties.
bool Solve(System &s, const Field &f, std::vector<int> &x) {
    const int n = s.size;
    for (int col = 0; col < n; ++col) {
        int pivot = col;
        for (int r = col + 1; r < n; ++r) {
            if (s.At(r, col) > s.At(pivot, col)) pivot = r;
        }
        if (s.At(pivot, col) == 0) return false;
        if (pivot != col) {
            for (int c = 0; c < n; ++c) std::swap(s.At(pivot, c), s.At(col, c));
            std::swap(s.b[pivot], s.b[col]);
        }
        for (int r = col + 1; r < n; ++r) {
            const int factor = f.Div(s.At(r, col), s.At(col, col));
            if (factor == 0) continue;
            for (int c = col; c < n; ++c)
                s.At(r, c) = (s.At(r, c) + kFieldSize - Field::Mul(factor, s.At(col, c))) % kFieldSize;
            s.b[r] = (s.b[r] + kFieldSize - Field::Mul(factor, s.b[col])) % kFieldSize;
        }
    }
    x.assign(n, 0);
    for (int r = n - 1; r >= 0; --r) {
        int sum = s.b[r];
        for (int c = r + 1; c < n; ++c) sum = (sum + kFieldSize - Field::Mul(s.At(r, c), x[c])) % kFieldSize;
        x[r] = f.Div(sum, s.At(r, r));
    }
    return true;
}

// Rank of the size x size matrix S(r + s - 1), eliminated column by column
// with the same pivot choice as Solve (a column without a pivot is skipped).
int SyndromeRank(const std::vector<int> &syndromes, int size, const Field &f) {
    System s;
    s.Reset(size);
    for (int r = 0; r < size; ++r) {
        for (int c = 0; c < size; ++c) s.At(r, c) = syndromes[r + c + 1];
    }
    int rank = 0;
    for (int col = 0; col < size && rank < size; ++col) {
        int pivot = rank;
        for (int r = rank + 1; r < size; ++r) {
            if (s.At(r, col) > s.At(pivot, col)) pivot = r;
        }
        if (s.At(pivot, col) == 0) continue;
        if (pivot != rank) {
            for (int c = 0; c < size; ++c) std::swap(s.At(pivot, c), s.At(rank, c));
        }
        for (int r = rank + 1; r < size; ++r) {
            const int factor = f.Div(s.At(r, col), s.At(rank, col));
            if (factor == 0) continue;
            for (int c = col; c < size; ++c)
                s.At(r, c) = (s.At(r, c) + kFieldSize - Field::Mul(factor, s.At(rank, c))) % kFieldSize;
        }
        ++rank;
    }
    return rank;
}

// S_i = sum c[j] * 3^(i * (count - 1 - j)) by Horner's rule.
int Syndrome(const std::vector<int> &c, int i, const Field &f) {
    const int x = f.exp[i % (kFieldSize - 1)];
    int s = 0;
    for (int v : c) s = (Field::Mul(s, x) + v) % kFieldSize;
    return s;
}

}  // namespace

int OldPdf417Correct(std::vector<int> &codewords, int checkWords) {
    const int count = static_cast<int>(codewords.size());
    if (checkWords < 2 || checkWords > 512 || checkWords >= count) return kOldFailed;
    for (int &v : codewords) {
        if (v < 0 || v >= kFieldSize) return kOldFailed;
    }
    const Field f;
    const int n = checkWords - 1;
    std::vector<int> syndromes(n + 1, 0);  // S_1 .. S_n at 1 .. n
    for (int i = 1; i <= n; ++i) syndromes[i] = Syndrome(codewords, i, f);

    int corrected = 0;
    System system;
    std::vector<int> x, locator, positions, values;
    // Every leading t x t syndrome matrix larger than the rank of the largest
    // one is singular, so the search for the first regular one starts there.
    for (int t = SyndromeRank(syndromes, n / 2, f); t >= 1; --t) {
        system.Reset(t);
        for (int r = 0; r < t; ++r) {
            for (int c = 0; c < t; ++c) system.At(r, c) = syndromes[r + c + 1];
            system.b[r] = syndromes[r + 1];
        }
        const System matrix = system;
        if (!Solve(system, f, x)) continue;  // singular: fewer errors
        system = matrix;
        for (int r = 0; r < t; ++r) system.b[r] = (kFieldSize - syndromes[t + r + 1]) % kFieldSize;
        if (!Solve(system, f, locator)) return kOldFailed;

        // Roots of L(z) = 1 + sum x_m z^(t + 1 - m) at z = 3^-p.
        positions.clear();
        for (int p = 0; p < count && static_cast<int>(positions.size()) < t; ++p) {
            const int z = f.exp[(kFieldSize - 1 - p % (kFieldSize - 1)) % (kFieldSize - 1)];
            int value = 0;
            for (int m = 0; m < t; ++m) value = (Field::Mul(value, z) + locator[m]) % kFieldSize;
            value = (Field::Mul(value, z) + 1) % kFieldSize;
            if (value == 0) positions.push_back(p);
        }
        if (static_cast<int>(positions.size()) < t) return kOldFailed;

        // Error values: sum_i (3^p_i)^a Y_i = S_a for a = 1 .. t.
        system.Reset(t);
        for (int i = 0; i < t; ++i) {
            const int root = f.exp[positions[i] % (kFieldSize - 1)];
            int power = root;
            for (int a = 0; a < t; ++a) {
                system.At(a, i) = power;
                power = Field::Mul(power, root);
            }
        }
        for (int a = 0; a < t; ++a) system.b[a] = syndromes[a + 1];
        if (!Solve(system, f, values)) return kOldFailed;
        for (int i = 0; i < t; ++i) {
            int &c = codewords[count - 1 - positions[i]];
            c = (c - values[i] + kFieldSize) % kFieldSize;
        }
        corrected = t;
        break;
    }
    if (Syndrome(codewords, n + 1, f) != 0) return kOldFailed;
    return corrected;
}

}  // namespace zr::test::old
