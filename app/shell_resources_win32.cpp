#include "app/shell_resources_win32.h"

namespace velmira {

ShellResources& Shell() {
  static ShellResources resources;
  return resources;
}

}  // namespace velmira
