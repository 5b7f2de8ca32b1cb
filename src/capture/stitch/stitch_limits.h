// The numbers the long capture's stitching lives by, in one place so that the matcher, the
// learning of fixed rows and the stitcher agree on them.
#pragma once

namespace corvalin::stitch {

// Band heights: the long one is tried first; the short one, judged more strictly, reaches
// frames that moved nearly a whole area.
inline constexpr int franjaLarga = 120;
inline constexpr int franjaCorta = 48;

// Two signature entries closer than this are the same (mean luma, 0 … 255).
inline constexpr float toleranciaFirma = 0.8f;

// Moving frames an entry must stay unchanged to be fixed in the matching, and moving frames
// before the header and the footer are decided.
inline constexpr int cuadrosParaSerMueble = 5;
inline constexpr int cuadrosParaBanda = 8;
// Rows counted as header or footer must have stayed put this many moving frames.
inline constexpr int cuadrosParaFilaFija = 8;

// Acceptance of a band position by signatures: mean cost below the first figure, and the
// runner-up (at least `distanciaSegundo` rows away) beaten by the ratio or by the margin.
inline constexpr float costoMaximo = 6.0f;
inline constexpr float costoMaximoExigente = 3.0f;
inline constexpr float ventajaRelativa = 1.6f;
inline constexpr float ventajaRelativaExigente = 2.4f;
inline constexpr float ventajaAbsoluta = 4.0f;
inline constexpr int distanciaSegundo = 19;
// Per row between a position and the expected one, so that a near tie goes to the usual step.
inline constexpr float castigoPorFila = 0.004f;

// Pixel confirmation: rows either side of the signature's choice, and the mean channel error
// (0 … 255) a band may keep there.
inline constexpr int radioRefinado = 3;
inline constexpr int errorMaximo = 12;
inline constexpr int errorMaximoExigente = 8;
// A screen shows scrolled content with the very same pixels. A pixel differs outright when its
// three channels differ by more than this in all; a position where more than one sampled pixel
// in `pixelesPorDistinto` does is another line that looks alike (the same text but for a digit,
// the same list item but for its icon), not the same rows with a hover tint or a caret on them.
inline constexpr int diferenciaFranca = 48;
inline constexpr int pixelesPorDistinto = 200;

// A position whose content explains the band no better than a far one (by less than this
// mean per entry) is a guess, not a match.
inline constexpr float margenAmbiguo = 0.05f;

// Share of a band's content entries that must be found unchanged where it is placed.
inline constexpr float contenidoExplicado = 0.5f;

// Stitched pictures stay below this height.
inline constexpr int filasMaximas = 24000;

// The slow-down warning shows after more than this many unplaced frames in a row.
inline constexpr int saltadosParaPerderse = 2;

}  // namespace corvalin::stitch
