// A fixture with the shell started over a full set of fakes, in Spanish, from default settings.
#pragma once

#include <gtest/gtest.h>

#include "app/app_delegate.h"
#include "core/texts.h"
#include "fakes.h"

namespace corvalin::testing {

class ShellTest : public ::testing::Test {
 protected:
  void SetUp() override {
    limpiarAjustes();
    fijarIdiomaActual(Idioma::español);
    Piezas piezas = banco.piezas();
    ajustar(piezas);
    app = std::make_unique<AppDelegate>(std::move(piezas));
    app->applicationDidFinishLaunching();
  }
  // What a suite changes in the fakes or the pieces before the shell starts.
  virtual void ajustar(Piezas&) {}
  // Windows and captures let go of later die before the fakes they report to.
  void TearDown() override {
    app.reset();
    procesarEventos();
  }

  Banco banco;
  std::unique_ptr<AppDelegate> app;
};

}  // namespace corvalin::testing
