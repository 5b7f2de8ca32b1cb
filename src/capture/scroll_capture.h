// A long capture: frames of an area grabbed and stitched while the user scrolls.
#pragma once

#include <QImage>
#include <QRect>
#include <QString>
#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

namespace corvalin {

class ScrollCapture {
 public:
  virtual ~ScrollCapture() = default;

  // Starts on `rect` of the screen `pantalla`; the completion gets an error text, or nothing
  // when grabbing began.
  virtual void start(const QRect& rect, const QString& pantalla,
                     std::function<void(std::optional<QString> error)> completion) = 0;
  // Stops grabbing and delivers the stitched picture (null when nothing came together).
  virtual void finish(std::function<void(QImage)> completion) = 0;
  // Windows kept out of the frames (the capture's own bar, where it lies over the area).
  virtual void dejarFuera(std::vector<uint32_t> ventanas) { (void)ventanas; }

  // Called with the height in pixels stitched so far.
  std::function<void(int pixeles)> alAvanzar;
  // Called with true when stitching lost its place, false when it found it again.
  std::function<void(bool perdido)> alPerderse;

  virtual bool activa() const = 0;
  virtual int alto() const = 0;              // height of one frame in pixels
  virtual int cabecera() const = 0;          // rows of a fixed header
  virtual int pie() const = 0;               // rows of a fixed footer
  virtual int muebles() const = 0;           // rows taken by a fixed element inside the area
  virtual int filasAcumuladas() const = 0;   // rows stitched below the first frame
  virtual int filasArriba() const = 0;       // rows stitched above the first frame
  virtual QString dondeEstorba() const = 0;  // where the fixed element sits, as text
};

}  // namespace corvalin
