#include "tools/screen_capture.h"

#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <vector>

#include "tools/png_writer.h"
#include "tools/screenshot_request.h"
#include "tools/x11_display.h"

namespace corvalin::tools {

bool savePng(const Rgb32View& pixels, const std::string& path) {
  const std::vector<std::uint8_t> png = encodePng(pixels);
  if (png.empty()) {
    printError("No hay memoria suficiente para codificar la imagen.",
               "Not enough memory to encode the picture.");
    return false;
  }
  std::string error;
  if (!writeFileAtomically(path, png, &error)) {
    printError("No se pudo guardar la imagen en " + error + ".",
               "Could not save the picture to " + error + ".");
    return false;
  }
  return true;
}

int captureScreenX11(const X11Display& display, const std::string& outputPath) {
  const PixelRect monitor = display.monitorUnderPointer();
  std::string error;
  const std::optional<ScreenGrab> grab = display.grab(monitor, false, &error);
  if (!grab) {
    printError("No se pudo leer la imagen de la pantalla (" + error + ").",
               "Could not read the screen's picture (" + error + ").");
    return 1;
  }
  return savePng(grab->pixels, outputPath) ? 0 : 1;
}

int runSelectionInterface(char** argv) {
  std::vector<char> self(4096);
  const ssize_t n = ::readlink("/proc/self/exe", self.data(), self.size() - 1);
  if (n > 0) {
    std::string folder(self.data(), static_cast<std::size_t>(n));
    folder.erase(folder.rfind('/') + 1);
    // Beside us in a build tree; in the helper folder once installed.
    for (const std::string& path :
         {folder + "corvalin-screenshot-ui",
          folder + CORVALIN_SCREENSHOT_HELPER_FOLDER "/corvalin-screenshot-ui"})
      ::execv(path.c_str(), argv);
  }
  const std::string why = std::strerror(errno);
  printError("No se pudo iniciar corvalin-screenshot-ui (" + why + ").",
             "Could not start corvalin-screenshot-ui (" + why + ").");
  return 1;
}

}  // namespace corvalin::tools
