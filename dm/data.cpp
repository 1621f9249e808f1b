// The ECC 200 encodation schemes: ASCII with digit pairs and upper shift, C40,
// Text, ANSI X12, EDIFACT and Base 256, and the function codewords: FNC1 as
// the GS1 marker or field separator, the 05 and 06 macros, ECI, structured
// append and reader programming headers.
#include <array>

#include "dm/codewords.hpp"

namespace zr::dm {
namespace {

// ASCII codewords.
constexpr int kPad = 129;
constexpr int kFirstDigitPair = 130;
constexpr int kLastDigitPair = 229;
constexpr int kLatchC40 = 230;
constexpr int kLatchBase256 = 231;
constexpr int kFnc1 = 232;
constexpr int kStructuredAppend = 233;
constexpr int kReaderProgramming = 234;
constexpr int kUpperShift = 235;
constexpr int kMacro05 = 236;
constexpr int kMacro06 = 237;
constexpr int kLatchX12 = 238;
constexpr int kLatchText = 239;
constexpr int kLatchEdifact = 240;
constexpr int kEci = 241;
// Unlatch from C40, Text and X12 (first codeword of a pair) and EDIFACT.
constexpr int kUnlatch = 254;
constexpr int kEdifactUnlatch = 31;
// C40 and Text shift sets: characters per set, and the two function values of set 2.
constexpr int kShiftCharacters = 32;
constexpr int kShift2Characters = 27;
constexpr int kShift2Fnc1 = 27;
constexpr int kShift2UpperShift = 30;
constexpr int kGroupSeparator = 29;

enum class Scheme { kAscii, kC40, kText, kX12, kEdifact, kBase256 };

using CharSet = std::array<std::uint8_t, 40>;

constexpr CharSet MakeBasic(char firstLetter) {
    CharSet set{};
    set[3] = ' ';
    for (int i = 0; i < 10; ++i) set[4 + i] = static_cast<std::uint8_t>('0' + i);
    for (int i = 0; i < 26; ++i) set[14 + i] = static_cast<std::uint8_t>(firstLetter + i);
    return set;
}

constexpr CharSet MakeShift1() {
    CharSet set{};
    for (int i = 0; i < 32; ++i) set[i] = static_cast<std::uint8_t>(i);
    return set;
}

constexpr CharSet MakeShift2() {
    CharSet set{};
    int i = 0;
    for (int c = 33; c <= 47; ++c) set[i++] = static_cast<std::uint8_t>(c);
    for (int c = 58; c <= 64; ++c) set[i++] = static_cast<std::uint8_t>(c);
    for (int c = 91; c <= 95; ++c) set[i++] = static_cast<std::uint8_t>(c);
    return set;  // 27 .. 39 (FNC1, upper shift, unused) stay 0
}

constexpr CharSet MakeC40Shift3() {
    CharSet set{};
    for (int i = 0; i < 32; ++i) set[i] = static_cast<std::uint8_t>(96 + i);
    return set;
}

constexpr CharSet MakeTextShift3() {
    CharSet set{};
    set[0] = 96;
    for (int i = 0; i < 26; ++i) set[1 + i] = static_cast<std::uint8_t>('A' + i);
    for (int i = 0; i < 5; ++i) set[27 + i] = static_cast<std::uint8_t>(123 + i);
    return set;
}

constexpr CharSet MakeX12() {
    CharSet set = MakeBasic('A');
    set[0] = 13;
    set[1] = '*';
    set[2] = '>';
    return set;
}

constexpr CharSet kC40Basic = MakeBasic('A');
constexpr CharSet kTextBasic = MakeBasic('a');
constexpr CharSet kShift1 = MakeShift1();
constexpr CharSet kShift2 = MakeShift2();
constexpr CharSet kC40Shift3 = MakeC40Shift3();
constexpr CharSet kTextShift3 = MakeTextShift3();
constexpr CharSet kX12 = MakeX12();

class DataDecoder {
  public:
    DataDecoder(const std::int32_t *codewords, int count, char *text, int capacity, DataDetails *details)
        : cw_(codewords), end_(count), text_(text), capacity_(capacity), details_(details) {}

    void Run() {
        while (!stopped_ && pos_ < end_) {
            switch (scheme_) {
                case Scheme::kAscii:
                    Ascii(cw_[pos_++]);
                    break;
                case Scheme::kC40:
                case Scheme::kText:
                case Scheme::kX12:
                    Triple();
                    break;
                case Scheme::kEdifact:
                    Edifact();
                    break;
                case Scheme::kBase256:
                    Base256();
                    break;
            }
        }
        if (macroTrailer_) AppendText("\x1e\x04");
        Terminate();
        if (details_) details_->length = out_;
    }

  private:
    void Append(int byte) {
        if (out_ < capacity_ - 1) text_[out_++] = static_cast<char>(byte);
    }

    // A zero byte at the output position ends the text as readers see it.
    void Terminate() {
        if (out_ < capacity_) text_[out_] = '\0';
    }

    void Stop() { stopped_ = true; }

    // Notes the ECI number of the `length` codewords at the read position
    // (ISO/IEC 16022: 1..127 one codeword, then 254-based pairs and triples).
    void NoteEci(int length) {
        if (!details_ || pos_ + length > end_ || details_->eciCount >= DataDetails::kMaxEcis) return;
        const int c1 = cw_[pos_];
        int eci = c1 - 1;
        if (length == 2) eci = (c1 - 128) * 254 + (cw_[pos_ + 1] - 1) + 127;
        if (length == 3) eci = (c1 - 192) * 64516 + (cw_[pos_ + 1] - 1) * 254 + (cw_[pos_ + 2] - 1) + 16383;
        if (eci < 0) return;
        details_->ecis[details_->eciCount++] = DataDetails::Eci{static_cast<std::uint32_t>(eci), out_};
    }

    // Data characters take the pending upper shift.
    void AppendData(int byte) {
        Append(upperShift_ ? (byte + 128) % 256 : byte);
        upperShift_ = false;
    }

    void AppendText(const char *bytes) {
        while (*bytes != '\0') Append(static_cast<unsigned char>(*bytes++));
    }

    // Skips up to n codewords, never past the end of the data.
    void Skip(int n) {
        for (int i = 0; i < n && pos_ < end_; ++i) ++pos_;
    }

    void Ascii(int c) {
        const bool first = pos_ == 1;  // c was the symbol's first data codeword
        if (c >= 1 && c <= 128) {
            AppendData(c - 1);
        } else if (c >= kFirstDigitPair && c <= kLastDigitPair) {
            Append('0' + (c - kFirstDigitPair) / 10);
            Append('0' + (c - kFirstDigitPair) % 10);
        } else if (c == kLatchC40) {
            scheme_ = Scheme::kC40;
            shift_ = 0;
        } else if (c == kLatchText) {
            scheme_ = Scheme::kText;
            shift_ = 0;
        } else if (c == kLatchX12) {
            scheme_ = Scheme::kX12;
        } else if (c == kLatchEdifact) {
            scheme_ = Scheme::kEdifact;
        } else if (c == kLatchBase256) {
            scheme_ = Scheme::kBase256;
        } else if (c == kUpperShift) {
            upperShift_ = true;
        } else if (c == kFnc1) {
            // First: the GS1 marker; later: a field separator.
            if (!first) Append(kGroupSeparator);
            if (first && details_) details_->gs1 = true;
        } else if (c == kEci) {
            // The ECI number (one to three codewords) selects a character
            // set; the bytes that follow are passed on as they are.
            const int next = pos_ < end_ ? cw_[pos_] : 0;
            const int length = next <= 127 ? 1 : next <= 191 ? 2 : 3;
            NoteEci(length);
            Skip(length);
        } else if (first && (c == kMacro05 || c == kMacro06)) {
            AppendText(c == kMacro05 ? "[)>\x1e"
                                       "05\x1d"
                                     : "[)>\x1e"
                                       "06\x1d");
            macroTrailer_ = true;
        } else if (first && c == kStructuredAppend) {
            Skip(3);  // sequence indicator and the two file identification codewords
        } else if (first && c == kReaderProgramming) {
            // A reader programming symbol: its data follows.
        } else if (c == kPad || c == kStructuredAppend || c == kReaderProgramming || c == kMacro05 ||
                   c == kMacro06) {
            Stop();  // the padding, or a header codeword anywhere but first
        }
        // Codewords 242 .. 255 stand for nothing.
    }

    void ToAscii() {
        scheme_ = Scheme::kAscii;
        shift_ = 0;
    }

    // C40, Text and X12: two codewords carry three values.
    void Triple() {
        const int c1 = cw_[pos_];
        if (c1 == kUnlatch) {
            ++pos_;
            ToAscii();
            return;
        }
        if (pos_ + 1 >= end_) {  // a lone codeword at the end is ASCII
            ++pos_;
            ToAscii();
            Ascii(c1);
            return;
        }
        const int u = 256 * c1 + cw_[pos_ + 1] - 1;
        pos_ += 2;
        if (u < 0) return;  // the pair 0, 0 holds no value
        const int values[3] = {u / 1600, (u % 1600) / 40, u % 40};
        for (int v : values) {
            if (v >= 40) continue;  // only possible for c1 >= 250: no character
            if (scheme_ == Scheme::kX12) {
                AppendData(kX12[v]);
            } else {
                CharValue(v);
            }
        }
    }

    void CharValue(int v) {
        if (shift_ == 0 && v <= 2) {
            shift_ = v + 1;
            return;
        }
        const int shift = shift_;
        shift_ = 0;
        if (shift == 2 && v == kShift2Fnc1) {
            Append(kGroupSeparator);
            return;
        }
        if (shift == 2 && v == kShift2UpperShift) {
            upperShift_ = true;
            return;
        }
        // Values past the end of a shift set stand for no character.
        if ((shift == 2 && v >= kShift2Characters) || (shift != 0 && v >= kShiftCharacters)) return;
        const bool text = scheme_ == Scheme::kText;
        const CharSet &set = shift == 0   ? (text ? kTextBasic : kC40Basic)
                             : shift == 1 ? kShift1
                             : shift == 2 ? kShift2
                                          : (text ? kTextShift3 : kC40Shift3);
        AppendData(set[v]);
    }

    // EDIFACT: three codewords carry four 6-bit values.
    void Edifact() {
        if (cw_[pos_] == kUnlatch) {
            ++pos_;
            ToAscii();
            return;
        }
        if (pos_ + 2 >= end_) {
            ToAscii();  // fewer than three left: the rest is ASCII
            return;
        }
        const int c1 = cw_[pos_], c2 = cw_[pos_ + 1], c3 = cw_[pos_ + 2];
        const int w[4] = {c1 >> 2, ((c1 & 3) << 4) | (c2 >> 4), ((c2 & 15) << 2) | (c3 >> 6), c3 & 63};
        // Codeword after the one that holds each value's last bit.
        const int resume[4] = {1, 2, 3, 3};
        for (int i = 0; i < 4; ++i) {
            if (w[i] == kEdifactUnlatch) {
                pos_ += resume[i];
                ToAscii();
                return;
            }
            AppendData(w[i] < 32 ? w[i] + 64 : w[i]);
        }
        pos_ += 3;
    }

    // Base 256: a length, then that many unrandomised bytes.
    void Base256() {
        int length = Unrandomize255(cw_[pos_], pos_ + 1);
        ++pos_;
        if (length >= 250) {
            if (pos_ >= end_) {
                ToAscii();
                return;
            }
            length = 250 * (length - 249) + Unrandomize255(cw_[pos_], pos_ + 1);
            ++pos_;
        }
        // Length 0 runs to the end of the data; no field runs past it.
        for (int n = 0; (length == 0 || n < length) && pos_ < end_; ++n, ++pos_)
            Append(Unrandomize255(cw_[pos_], pos_ + 1));
        ToAscii();
    }

    const std::int32_t *cw_;
    int end_;  // number of data codewords
    char *text_;
    int capacity_;
    DataDetails *details_;
    int pos_ = 0;  // next codeword
    int out_ = 0;  // next output byte
    Scheme scheme_ = Scheme::kAscii;
    int shift_ = 0;
    bool upperShift_ = false;
    bool stopped_ = false;
    bool macroTrailer_ = false;
};

}  // namespace

std::uint8_t Unrandomize255(std::int32_t value, int position) {
    const int r = (149 * position) % 255 + 1;
    int byte = value - r;
    if (byte < 0) byte += 256;
    return static_cast<std::uint8_t>(byte);
}

void DecodeDMData(const std::int32_t *codewords, int count, char *text, int capacity, DataDetails *details) {
    if (details) *details = DataDetails{};
    if (text == nullptr || capacity < 1) return;
    if (codewords == nullptr || count < 0) count = 0;
    DataDecoder(codewords, count, text, capacity, details).Run();
}

}  // namespace zr::dm
