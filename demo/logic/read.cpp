#include "read.hpp"

#include <iterator>

#include "zr/ZrImage.h"

namespace zr::demo {

const ReaderKindInfo &ReaderKindInfoFor(ReaderKind kind) {
    const auto index = static_cast<size_t>(kind);
    return index < std::size(kReaderKinds) ? kReaderKinds[index] : kReaderKinds[0];
}

const ReaderKindInfo *ReaderKindOf(Operation operation) {
    for (const ReaderKindInfo &info : kReaderKinds) {
        if (info.operation == operation) return &info;
    }
    return nullptr;
}

bool IsReaderBuilt(ReaderKind kind) {
    const auto index = static_cast<size_t>(kind);
    return index < std::size(kReaderKinds) && kReaderKinds[index].read != nullptr;
}

uint16_t RefreshHintFor(ReaderKind kind) {
    return static_cast<uint16_t>(kHintFirstRead + static_cast<int>(kind));
}

size_t ResultCopyCount(const Document &document) {
    const ReaderKindInfo *kind = ReaderKindOf(document.state.lastOperation);
    return kind != nullptr ? kind->copyCount(document) : 0;
}

void ClearResultCopies(Document &document) {
    for (const ReaderKindInfo &info : kReaderKinds) info.clearCopies(document);
}

void MoveReadResults(Document &to, Document &from, ReaderKind kind) {
    to.state = from.state;
    ReaderKindInfoFor(kind).moveCopies(to, from);
}

uint16_t ReadSymbols(Document &document, const ReadSettings &settings) {
    if (!IsReaderBuilt(settings.readerKind)) return ZR_ERR_UNSUPPORTED;
    return ReaderKindInfoFor(settings.readerKind).read(document, settings);
}

}  // namespace zr::demo
