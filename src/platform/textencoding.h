#pragma once

#include <QByteArray>
#include <QString>
#include <QStringConverter>

#include <optional>

namespace platform {

// Text in an encoding named as Qt names them: UTF-8, or one of the 8-bit
// ones older Hunspell dictionaries are written in ("ISO-8859-2",
// "windows-1251", "KOI8-R"). Where Qt has no converter for these, the
// system's code pages stand in.
class TextEncoding {
  public:
    explicit TextEncoding(const QByteArray& name);

    bool isValid() const;
    // Nothing when the encoding cannot hold `text`.
    std::optional<QByteArray> encode(const QString& text);
    QString decode(QByteArrayView bytes);

  private:
    QStringEncoder encoder_;
    QStringDecoder decoder_;
    unsigned codePage_ = 0; // where Qt has no converter
};

} // namespace platform
