#include "Component.h"

namespace Ulmar {

Component::~Component() = default;

} // namespace Ulmar
