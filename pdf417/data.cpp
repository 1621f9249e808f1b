// Codeword-by-codeword decoding of the data: codewords below 900 collect in
// the pending group of the current mode, mode codewords flush it and switch.
// ECI designators take their arguments and leave the mode as it was; the
// Macro PDF417 control block (928) closes the data.
#include "pdf417/data.hpp"

#include <optional>

#include "pdf417/text_tables.hpp"

namespace zr::pdf417 {

namespace {

constexpr int kLatchText = 900;
constexpr int kLatchByte = 901;
constexpr int kLatchNumeric = 902;
constexpr int kShiftByte = 913;
constexpr int kLatchByteSix = 924;
constexpr int kEciUserDefined = 925;    // one argument: 810900 + argument
constexpr int kEciGeneralPurpose = 926; // two arguments: 900 * (first + 1) + second
constexpr int kEciCharacterSet = 927;   // one argument: the designator itself
constexpr int kMacroControlBlock = 928;
constexpr int kMacroOptionalField = 923;
constexpr int kMacroTerminator = 922;
constexpr int kLastCodeword = 928;
constexpr int kGroupMax = 15;
constexpr int kUserDefinedEciBase = 810900;
constexpr int kSegmentIndexCodewords = 2;
constexpr int kSegmentIndexLimit = 99999;
constexpr int kSegmentCountField = 1;  // optional field designator

// Arguments an ECI codeword takes; 0 for any other codeword.
int EciArguments(int codeword) {
    switch (codeword) {
        case kEciUserDefined:
        case kEciCharacterSet:
            return 1;
        case kEciGeneralPurpose:
            return 2;
        default:
            return 0;
    }
}

enum class Mode { kText, kByte, kByteSix, kNumeric };

class Decoder {
  public:
    explicit Decoder(DecodedData &out) : out_(out) {}

    // Feeds one codeword; false on a fault that drops the symbol.
    bool Feed(int codeword) {
        if (eciArgumentsLeft_ > 0) return TakeEciArgument(codeword);
        if (codeword < kLatchText) {
            // A full 901 group followed by more byte data stands for six bytes.
            if (heldFive_) {
                heldFive_ = false;
                if (!WriteSixBytes()) return false;
            }
            group_[groupSize_++] = codeword;
            if (groupSize_ == GroupLimit()) {
                if (mode_ == Mode::kByte && !shifted_) {
                    heldFive_ = true;  // six bytes or five single bytes: the next codeword tells
                } else if (!Flush()) {
                    return false;
                }
            }
            if (shifted_) EndShift();
            return true;
        }
        if (!Flush()) return false;
        switch (codeword) {
            case kLatchText:
                mode_ = Mode::kText;
                subMode_ = returnSubMode_ = kUpper;
                break;
            case kLatchByte:
                mode_ = Mode::kByte;
                break;
            case kLatchNumeric:
                mode_ = Mode::kNumeric;
                break;
            case kLatchByteSix:
                mode_ = Mode::kByteSix;
                break;
            case kShiftByte:
                if (!shifted_) {
                    shifted_ = true;
                    modeBeforeShift_ = mode_;
                    mode_ = Mode::kByte;
                }
                break;
            case kEciUserDefined:
            case kEciGeneralPurpose:
            case kEciCharacterSet:
                eciCodeword_ = codeword;
                eciArgumentsLeft_ = EciArguments(codeword);
                eciValue_ = 0;
                break;
            default:  // 921, 922, 923 outside a control block and reserved values carry no data
                break;
        }
        return true;
    }

    // True when an ECI designator still waits for its arguments.
    bool EciPending() const { return eciArgumentsLeft_ > 0; }

    // Flushes the pending group with the current mode.
    bool Flush() {
        if (heldFive_) {
            heldFive_ = false;
            for (int i = 0; i < groupSize_; ++i) Put(static_cast<char>(group_[i] & 0xFF));
            groupSize_ = 0;
            return true;
        }
        if (groupSize_ == 0) return true;
        bool ok = true;
        switch (mode_) {
            case Mode::kText:
                for (int i = 0; i < groupSize_; ++i) {
                    TextValue(group_[i] / 30);
                    TextValue(group_[i] % 30);
                }
                break;
            case Mode::kByte:
                for (int i = 0; i < groupSize_; ++i) Put(static_cast<char>(group_[i] & 0xFF));
                break;
            case Mode::kByteSix:
                ok = groupSize_ == 5 && WriteSixBytes();
                break;
            case Mode::kNumeric:
                Numeric();
                break;
        }
        groupSize_ = 0;
        return ok;
    }

  private:
    // One argument of the pending ECI designator; the first designator of the
    // data is recorded.
    bool TakeEciArgument(int codeword) {
        if (codeword >= kLatchText) return false;
        eciValue_ = eciValue_ * kLatchText + codeword;
        if (--eciArgumentsLeft_ > 0) return true;
        int designator = eciValue_;
        if (eciCodeword_ == kEciGeneralPurpose) designator += kLatchText;  // (first + 1) * 900 + second
        if (eciCodeword_ == kEciUserDefined) designator += kUserDefinedEciBase;
        if (out_.eci == kNoEci) out_.eci = designator;
        return true;
    }

    int GroupLimit() const {
        if (shifted_) return 1;
        return mode_ == Mode::kByte || mode_ == Mode::kByteSix ? 5 : kGroupMax;
    }

    void EndShift() {
        shifted_ = false;
        mode_ = modeBeforeShift_;
        if (mode_ == Mode::kText) subMode_ = returnSubMode_;
    }

    void Put(char c) {
        if (out_.length + 1 >= kDecodeBufferSize) {
            out_.truncated = true;
            return;
        }
        out_.bytes[out_.length++] = c;
    }

    // Five base-900 codewords as six bytes, most significant first. A value
    // beyond six bytes cannot come from an encoder: the symbol is dropped.
    bool WriteSixBytes() {
        std::uint64_t value = 0;
        for (int i = 0; i < 5; ++i) value = value * 900 + static_cast<std::uint64_t>(group_[i]);
        groupSize_ = 0;
        if (value >> 48 != 0) return false;
        for (int shift = 40; shift >= 0; shift -= 8) Put(static_cast<char>((value >> shift) & 0xFF));
        return true;
    }

    void TextValue(int value) {
        const std::uint8_t entry = kTextTable[subMode_][value];
        if (entry < 128) {
            if (subMode_ == kPunctuation && value == 29) return;  // not a character
            Put(static_cast<char>(entry));
            subMode_ = returnSubMode_;
            return;
        }
        switch (entry) {
            case kLatchLower:
                subMode_ = returnSubMode_ = kLower;
                break;
            case kLatchMixed:
                subMode_ = returnSubMode_ = kMixed;
                break;
            case kLatchUpper:
                subMode_ = returnSubMode_ = kUpper;
                break;
            case kLatchPunctuation:
                subMode_ = returnSubMode_ = kPunctuation;
                break;
            case kShiftPunctuation:
                returnSubMode_ = subMode_;
                subMode_ = kPunctuation;
                break;
            case kShiftUpper:
                returnSubMode_ = subMode_;
                subMode_ = kUpper;
                break;
            default:
                break;
        }
    }

    // Up to 15 base-900 codewords as a decimal number of at most 45 digits
    // (least significant first); every digit after the leading 1 is written.
    void Numeric() {
        std::array<std::uint8_t, 48> digits{};
        int count = 0;
        for (int i = 0; i < groupSize_; ++i) {
            int carry = group_[i];
            for (int d = 0; d < count; ++d) {
                const int v = digits[d] * 900 + carry;
                digits[d] = static_cast<std::uint8_t>(v % 10);
                carry = v / 10;
            }
            while (carry > 0 && count < static_cast<int>(digits.size())) {
                digits[count++] = static_cast<std::uint8_t>(carry % 10);
                carry /= 10;
            }
        }
        for (int d = count - 2; d >= 0; --d) Put(static_cast<char>('0' + digits[d]));
    }

    DecodedData &out_;
    Mode mode_ = Mode::kText;
    Mode modeBeforeShift_ = Mode::kText;
    bool shifted_ = false;
    bool heldFive_ = false;
    std::uint8_t subMode_ = kUpper;
    std::uint8_t returnSubMode_ = kUpper;
    std::array<int, kGroupMax> group_{};
    int groupSize_ = 0;
    int eciCodeword_ = 0;
    int eciArgumentsLeft_ = 0;
    int eciValue_ = 0;
};

// Codewords [first, end) read as numeric compaction without its latch: the
// decimal number after the leading 1 the encoder put in front. Nothing for
// an empty range or a value too long for the fields it fills.
std::optional<int> NumericField(const std::vector<int> &codewords, int first, int end) {
    constexpr int kMaxFieldCodewords = 3;  // up to 8 decimal digits
    if (end <= first || end - first > kMaxFieldCodewords) return std::nullopt;
    std::int64_t value = 0;
    for (int i = first; i < end; ++i) value = value * kLatchText + codewords[i];
    std::int64_t leading = 1;
    while (leading * 10 <= value) leading *= 10;
    if (value < 1) return std::nullopt;
    return static_cast<int>(value - leading);
}

// The control block after 928 up to `end`: segment index, file ID up to the
// first 923 or 922, then optional fields, of which the segment count is kept.
void ReadMacroBlock(const std::vector<int> &codewords, int first, int end, MacroBlock &macro) {
    macro = MacroBlock{};
    macro.present = true;
    int i = first;
    if (end - i >= kSegmentIndexCodewords) {
        const std::optional<int> index = NumericField(codewords, i, i + kSegmentIndexCodewords);
        if (index && *index < kSegmentIndexLimit) macro.segmentIndex = *index;
        i += kSegmentIndexCodewords;
    }
    for (; i < end && codewords[i] < kLatchText; ++i)
        if (macro.fileIdLength < kFileIdStore) macro.fileId[macro.fileIdLength++] = codewords[i];
    while (i < end) {
        const int codeword = codewords[i++];
        if (codeword == kMacroTerminator) {
            macro.lastSegment = true;
            continue;
        }
        if (codeword != kMacroOptionalField || i >= end) continue;
        const int designator = codewords[i++];
        int fieldEnd = i;
        while (fieldEnd < end && codewords[fieldEnd] < kLatchText) ++fieldEnd;
        if (designator == kSegmentCountField) {
            if (const std::optional<int> count = NumericField(codewords, i, fieldEnd)) macro.segmentCount = *count;
        }
        i = fieldEnd;
    }
}

}  // namespace

bool DecodeData(const std::vector<int> &codewords, int dataCapacity, DecodedData &out) {
    out = DecodedData{};
    if (codewords.empty()) return false;
    const int descriptor = codewords[0];
    if (descriptor < 1 || descriptor > dataCapacity || descriptor > static_cast<int>(codewords.size()))
        return false;
    for (int i = 1; i < descriptor; ++i) {
        if (codewords[i] < 0 || codewords[i] > kLastCodeword) return false;
    }
    Decoder decoder(out);
    for (int i = 1; i < descriptor; ++i) {
        const int codeword = codewords[i];
        if (codeword == kMacroControlBlock && !decoder.EciPending()) {
            ReadMacroBlock(codewords, i + 1, descriptor, out.macro);
            break;
        }
        if (!decoder.Feed(codeword)) {
            out = DecodedData{};
            return false;
        }
    }
    if (decoder.EciPending() || !decoder.Flush()) {
        out = DecodedData{};
        return false;
    }
    out.bytes[out.length] = '\0';
    return true;
}

}  // namespace zr::pdf417
