#include "editor/editor_queues.h"

namespace corvalin {

SerialQueue& colaDeExportacion() {
  static SerialQueue* queue = new SerialQueue("corvalin.editor.exportar");
  return *queue;
}

SerialQueue& colaDeRelleno() {
  static SerialQueue* queue = new SerialQueue("corvalin.editor.relleno");
  return *queue;
}

SerialQueue& colaDeRecuperacion() {
  static SerialQueue* queue = new SerialQueue("corvalin.editor.recuperar");
  return *queue;
}

void esperarColasDelEditor() {
  colaDeExportacion().sync([] {});
  colaDeRecuperacion().sync([] {});
}

}  // namespace corvalin
