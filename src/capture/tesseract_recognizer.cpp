#include "capture/tesseract_recognizer.h"

#include <pthread.h>

#include <condition_variable>
#include <deque>
#include <future>
#include <mutex>
#include <thread>

#include "platform/main_thread.h"

namespace corvalin {

// A serial queue that also knows when it has been idle long enough to drop the models; the
// engine is touched by its thread alone.
class TesseractTextRecognizer::Trabajador {
 public:
  using Entrega = std::function<void(Resultado)>;

  explicit Trabajador(Opciones opciones)
      : liberarTras_(opciones.liberarTras), motor_(std::move(opciones.motor)) {
    // Left at the normal priority: someone is waiting for this text, unlike the work of the
    // lowered background queues.
    hilo_ = std::thread([this] { bucle(); });
    pthread_setname_np(hilo_.native_handle(), "corvalin.texto");
  }

  ~Trabajador() {
    {
      std::lock_guard lock(mutex_);
      parar_ = true;
    }
    despertar_.notify_one();
    hilo_.join();
  }

  void pedir(QImage imagen, Entrega entrega) {
    {
      std::lock_guard lock(mutex_);
      pedidos_.push_back({std::move(imagen), std::move(entrega)});
    }
    despertar_.notify_one();
  }

  bool esActual() const { return std::this_thread::get_id() == hilo_.get_id(); }

  // Only from the worker's own thread.
  Resultado leerAqui(const QImage& imagen) { return motor_.leer(imagen); }

  bool cargado() const {
    std::lock_guard lock(mutex_);
    return cargado_;
  }

 private:
  struct Pedido {
    QImage imagen;
    Entrega entrega;
  };

  void bucle() {
    ocr::leerEnUnSoloHilo();
    std::unique_lock lock(mutex_);
    const auto hayAlgo = [this] { return parar_ || !pedidos_.empty(); };
    for (;;) {
      if (cargado_) {
        if (!despertar_.wait_for(lock, liberarTras_, hayAlgo)) {
          lock.unlock();
          motor_.liberar();
          lock.lock();
          cargado_ = false;
          continue;
        }
      } else {
        despertar_.wait(lock, hayAlgo);
      }
      if (pedidos_.empty()) break;  // stopping, and every request has been answered
      Pedido pedido = std::move(pedidos_.front());
      pedidos_.pop_front();
      lock.unlock();
      Resultado resultado = motor_.leer(pedido.imagen);
      const bool cargado = motor_.cargado();
      lock.lock();
      // Published before the answer goes out, so whoever receives it sees the engine's state.
      cargado_ = cargado;
      lock.unlock();
      pedido.entrega(std::move(resultado));
      lock.lock();
    }
    lock.unlock();
    motor_.liberar();
    lock.lock();
    cargado_ = false;
  }

  const std::chrono::milliseconds liberarTras_;
  ocr::MotorTesseract motor_;
  mutable std::mutex mutex_;
  std::condition_variable despertar_;
  std::deque<Pedido> pedidos_;
  bool cargado_ = false;
  bool parar_ = false;
  std::thread hilo_;
};

TesseractTextRecognizer::TesseractTextRecognizer() : TesseractTextRecognizer(Opciones{}) {}

TesseractTextRecognizer::TesseractTextRecognizer(Opciones opciones)
    : trabajador_(std::make_unique<Trabajador>(std::move(opciones))) {}

TesseractTextRecognizer::~TesseractTextRecognizer() = default;

void TesseractTextRecognizer::read(const QImage& image,
                                   std::function<void(QString texto, int lineas)> completion) {
  if (!completion) return;
  trabajador_->pedir(image, [completion = std::move(completion)](Resultado r) {
    enMain([completion, r = std::move(r)] { completion(r.texto, r.lineas); });
  });
}

TesseractTextRecognizer::Resultado TesseractTextRecognizer::readSync(const QImage& image) {
  // From the worker itself, waiting for the queue would wait for ourselves.
  if (trabajador_->esActual()) return trabajador_->leerAqui(image);
  std::promise<Resultado> hecho;
  std::future<Resultado> resultado = hecho.get_future();
  trabajador_->pedir(image, [&hecho](Resultado r) { hecho.set_value(std::move(r)); });
  return resultado.get();
}

bool TesseractTextRecognizer::motorCargado() const {
  return trabajador_->cargado();
}

}  // namespace corvalin
