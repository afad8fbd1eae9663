#include "persistence/PersistenceLinks.h"

namespace mellox {

PersistenceLinks& Links() {
  static PersistenceLinks links;
  return links;
}

}  // namespace mellox
