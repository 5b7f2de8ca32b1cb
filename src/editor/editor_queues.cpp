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

}  // namespace corvalin
