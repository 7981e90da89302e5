#include "startup_state.h"

namespace startup {

State& Get() {
  static State state;
  return state;
}

}  // namespace startup
