// Codeword-by-codeword decoding of the data: codewords below 900 collect in
// the pending group of the current mode, mode codewords flush it and switch.
#include "pdf417/data.hpp"

#include "pdf417/text_tables.hpp"

namespace zr::pdf417 {

namespace {

constexpr int kLatchText = 900;
constexpr int kLatchByte = 901;
constexpr int kLatchNumeric = 902;
constexpr int kShiftByte = 913;
constexpr int kLatchByteSix = 924;
constexpr int kEciUserDefined = 925;    // one number codeword follows
constexpr int kEciGeneralPurpose = 926;  // two number codewords follow
constexpr int kEciCharacterSet = 927;    // one number codeword follows: the character set
constexpr int kGroupMax = 15;

enum class Mode { kText, kByte, kByteSix, kNumeric };

class Decoder {
  public:
    Decoder(DecodedData &out, EciHandling eciHandling) : out_(out), eciHandling_(eciHandling) {}

    // Feeds one codeword; false on a fault that drops the symbol.
    bool Feed(int codeword) {
        if (eciNumbersLeft_ > 0) {
            --eciNumbersLeft_;
            if (noteEci_ && out_.eciCount < DecodedData::kMaxEcis)
                out_.ecis[out_.eciCount++] = DecodedData::Eci{static_cast<std::uint32_t>(codeword), out_.length};
            noteEci_ = false;
            return true;
        }
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
            case kEciCharacterSet:
            case kEciUserDefined:
            case kEciGeneralPurpose:
                if (eciHandling_ == EciHandling::kHonour) {
                    eciNumbersLeft_ = codeword == kEciGeneralPurpose ? 2 : 1;
                    noteEci_ = codeword == kEciCharacterSet;
                }
                break;
            default:  // macro and other control codewords are not interpreted
                break;
        }
        return true;
    }

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
    EciHandling eciHandling_;
    int eciNumbersLeft_ = 0;  // ECI number codewords still to come
    bool noteEci_ = false;    // the coming number is a character set's
};

}  // namespace

bool DecodeData(const std::vector<int> &codewords, int dataCapacity, DecodedData &out, EciHandling eciHandling) {
    out = DecodedData{};
    if (codewords.empty()) return false;
    const int descriptor = codewords[0];
    if (descriptor < 1 || descriptor > dataCapacity || descriptor > static_cast<int>(codewords.size()))
        return false;
    Decoder decoder(out, eciHandling);
    for (int i = 1; i < descriptor; ++i) {
        const int codeword = codewords[i];
        if (codeword < 0 || codeword > 928 || !decoder.Feed(codeword)) {
            out = DecodedData{};
            return false;
        }
    }
    if (!decoder.Flush()) {
        out = DecodedData{};
        return false;
    }
    out.bytes[out.length] = '\0';
    return true;
}

}  // namespace zr::pdf417
