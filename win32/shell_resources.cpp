#include "win32/shell_resources.h"

namespace velmira {

ShellResources& Shell() {
  static ShellResources resources;
  return resources;
}

}  // namespace velmira
