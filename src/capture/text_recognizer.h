// Reads the text in a picture.
#pragma once

#include <QImage>
#include <QString>
#include <functional>

namespace corvalin {

class TextRecognizer {
 public:
  virtual ~TextRecognizer() = default;
  // Delivers the text and its number of lines on the main thread, once; work runs elsewhere.
  virtual void read(const QImage& image,
                    std::function<void(QString texto, int lineas)> completion) = 0;
};

}  // namespace corvalin
