#include "KXFramework/ObjectBase/TaggableObject.h"

namespace KX {

LTaggableObject::~LTaggableObject() = default;

} // namespace KX
