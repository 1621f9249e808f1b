// Decoded symbol data as text on screen: UTF-8 when the bytes are valid UTF-8, else Latin-1 (the
// default character set of QR Code and PDF417 byte data), so that no byte becomes unreadable.
#ifndef ZR_DEMO_APP_DISPLAY_TEXT_HPP
#define ZR_DEMO_APP_DISPLAY_TEXT_HPP

#include <QString>
#include <QStringDecoder>
#include <string>

namespace zr::demo::app {

inline QString DisplayText(const std::string &bytes) {
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = utf8(QByteArrayView(bytes.data(), static_cast<qsizetype>(bytes.size())));
    if (utf8.hasError()) text = QString::fromLatin1(bytes.data(), static_cast<qsizetype>(bytes.size()));
    return text;
}

}  // namespace zr::demo::app

#endif  // ZR_DEMO_APP_DISPLAY_TEXT_HPP
