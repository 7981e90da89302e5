// Throws C++ exceptions and catches them inside the library, through frames of its own whose
// destructors run while the stack unwinds.
#include <stdexcept>
#include <string>

namespace {

int destroyed = 0;

struct Counted {
  ~Counted() { ++destroyed; }
};

[[gnu::noinline]] int Deepest(int value) {
  Counted guard;
  if (value >= 0) throw std::runtime_error(std::to_string(value));
  return value;
}

[[gnu::noinline]] int Middle(int value) {
  Counted guard;
  return Deepest(value) + 1;
}

}  // namespace

// For value >= 0: the thrown value times 10 plus the destructors run on the way (2).
// For value < 0 nothing is thrown: value + 1.
extern "C" __declspec(dllexport) int throw_round_trip(int value) {
  destroyed = 0;
  try {
    return Middle(value);
  } catch (const std::runtime_error& error) {
    return std::stoi(error.what()) * 10 + destroyed;
  }
}
