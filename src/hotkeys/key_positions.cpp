#include "hotkeys/key_positions.h"

#include <xkbcommon/xkbcommon-keysyms.h>
#include <xkbcommon/xkbcommon.h>

#include <Qt>
#include <utility>

namespace corvalin {
namespace {

// Stored key code -> keysym on a US keyboard; Print Screen takes code 105.
// clang-format off
constexpr std::pair<uint32_t, uint32_t> kPosiciones[] = {
    {0, XKB_KEY_a}, {1, XKB_KEY_s}, {2, XKB_KEY_d}, {3, XKB_KEY_f}, {4, XKB_KEY_h}, {5, XKB_KEY_g},
    {6, XKB_KEY_z}, {7, XKB_KEY_x}, {8, XKB_KEY_c}, {9, XKB_KEY_v}, {10, XKB_KEY_section},
    {11, XKB_KEY_b}, {12, XKB_KEY_q}, {13, XKB_KEY_w}, {14, XKB_KEY_e}, {15, XKB_KEY_r},
    {16, XKB_KEY_y}, {17, XKB_KEY_t}, {18, XKB_KEY_1}, {19, XKB_KEY_2}, {20, XKB_KEY_3},
    {21, XKB_KEY_4}, {22, XKB_KEY_6}, {23, XKB_KEY_5}, {24, XKB_KEY_equal}, {25, XKB_KEY_9},
    {26, XKB_KEY_7}, {27, XKB_KEY_minus}, {28, XKB_KEY_8}, {29, XKB_KEY_0},
    {30, XKB_KEY_bracketright}, {31, XKB_KEY_o}, {32, XKB_KEY_u}, {33, XKB_KEY_bracketleft},
    {34, XKB_KEY_i}, {35, XKB_KEY_p}, {36, XKB_KEY_Return}, {37, XKB_KEY_l}, {38, XKB_KEY_j},
    {39, XKB_KEY_apostrophe}, {40, XKB_KEY_k}, {41, XKB_KEY_semicolon}, {42, XKB_KEY_backslash},
    {43, XKB_KEY_comma}, {44, XKB_KEY_slash}, {45, XKB_KEY_n}, {46, XKB_KEY_m},
    {47, XKB_KEY_period}, {48, XKB_KEY_Tab}, {49, XKB_KEY_space}, {50, XKB_KEY_grave},
    {51, XKB_KEY_BackSpace}, {53, XKB_KEY_Escape}, {96, XKB_KEY_F5}, {97, XKB_KEY_F6},
    {98, XKB_KEY_F7}, {99, XKB_KEY_F3}, {100, XKB_KEY_F8}, {101, XKB_KEY_F9}, {103, XKB_KEY_F11},
    {105, XKB_KEY_Print}, {109, XKB_KEY_F10}, {111, XKB_KEY_F12}, {115, XKB_KEY_Home},
    {116, XKB_KEY_Prior}, {117, XKB_KEY_Delete}, {118, XKB_KEY_F4}, {119, XKB_KEY_End},
    {120, XKB_KEY_F2}, {121, XKB_KEY_Next}, {122, XKB_KEY_F1}, {123, XKB_KEY_Left},
    {124, XKB_KEY_Right}, {125, XKB_KEY_Down}, {126, XKB_KEY_Up},
};
// clang-format on

}  // namespace

std::optional<uint32_t> keysymDePosicion(uint32_t keyCode) {
  for (const auto& [code, keysym] : kPosiciones) {
    if (code == keyCode) return keysym;
  }
  return std::nullopt;
}

std::optional<uint32_t> posicionDeKeysym(uint32_t keysym) {
  const uint32_t lower = xkb_keysym_to_lower(keysym);
  for (const auto& [code, k] : kPosiciones) {
    if (k == lower) return code;
  }
  return std::nullopt;
}

const std::vector<uint32_t>& posicionesConocidas() {
  static const std::vector<uint32_t> codes = [] {
    std::vector<uint32_t> all;
    for (const auto& entry : kPosiciones) all.push_back(entry.first);
    return all;
  }();
  return codes;
}

bool imprimeSegunLaDistribucion(uint32_t keyCode) {
  return keyCode <= 50 && keyCode != 36 && keyCode != 48 && keyCode != 49;
}

std::optional<uint32_t> keysymDeTeclaQt(int qtKey) {
  if (qtKey >= Qt::Key_A && qtKey <= Qt::Key_Z) return uint32_t(qtKey) - Qt::Key_A + XKB_KEY_a;
  // Printable Latin-1 keys share their numbers with their keysyms.
  if ((qtKey >= Qt::Key_Space && qtKey <= Qt::Key_AsciiTilde) ||
      (qtKey >= Qt::Key_nobreakspace && qtKey <= Qt::Key_ydiaeresis)) {
    return uint32_t(qtKey);
  }
  if (qtKey >= Qt::Key_F1 && qtKey <= Qt::Key_F35) return uint32_t(qtKey) - Qt::Key_F1 + XKB_KEY_F1;
  static constexpr std::pair<int, uint32_t> kEspeciales[] = {
      {Qt::Key_Escape, XKB_KEY_Escape}, {Qt::Key_Tab, XKB_KEY_Tab},
      {Qt::Key_Backtab, XKB_KEY_Tab},   {Qt::Key_Backspace, XKB_KEY_BackSpace},
      {Qt::Key_Return, XKB_KEY_Return}, {Qt::Key_Enter, XKB_KEY_Return},
      {Qt::Key_Insert, XKB_KEY_Insert}, {Qt::Key_Delete, XKB_KEY_Delete},
      {Qt::Key_Print, XKB_KEY_Print},   {Qt::Key_Home, XKB_KEY_Home},
      {Qt::Key_End, XKB_KEY_End},       {Qt::Key_Left, XKB_KEY_Left},
      {Qt::Key_Up, XKB_KEY_Up},         {Qt::Key_Right, XKB_KEY_Right},
      {Qt::Key_Down, XKB_KEY_Down},     {Qt::Key_PageUp, XKB_KEY_Prior},
      {Qt::Key_PageDown, XKB_KEY_Next},
  };
  for (const auto& [key, keysym] : kEspeciales) {
    if (key == qtKey) return keysym;
  }
  return std::nullopt;
}

std::optional<QString> textoDeKeysym(uint32_t keysym) {
  char buffer[16] = {};
  if (xkb_keysym_to_utf8(keysym, buffer, sizeof buffer) <= 0) return std::nullopt;
  const QString text = QString::fromUtf8(buffer).toUpper();
  // Return, Tab, Escape and the like "print" control characters.
  if (text.isEmpty() || !text.at(0).isPrint() || text.at(0).isSpace()) return std::nullopt;
  return text;
}

}  // namespace corvalin
