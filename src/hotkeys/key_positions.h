// The stored key codes name key positions of a reference (US) keyboard; these functions say
// which X keysym each position carries there, and the way back from keysyms and Qt keys.
#pragma once

#include <QString>
#include <cstdint>
#include <optional>
#include <vector>

namespace corvalin {

// The keysym the stored key code carries on a US layout; nothing for positions we do not bind.
std::optional<uint32_t> keysymDePosicion(uint32_t keyCode);
// The stored key code whose position carries `keysym` on a US layout (letters in either case).
std::optional<uint32_t> posicionDeKeysym(uint32_t keysym);
// Every stored key code that has a keysym, in table order.
const std::vector<uint32_t>& posicionesConocidas();
// Whether what the key prints depends on the layout (letters, digits, punctuation).
bool imprimeSegunLaDistribucion(uint32_t keyCode);

// The keysym of a Qt key (Qt::Key), for key events and shortcut texts that carry no scan code.
std::optional<uint32_t> keysymDeTeclaQt(int qtKey);

// The text a keysym prints, in upper case; nothing for keys that print nothing visible.
std::optional<QString> textoDeKeysym(uint32_t keysym);

}  // namespace corvalin
