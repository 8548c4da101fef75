// The field a reader has when no field file is named: one card of each
// kind, as they come from the factory, with a little data to show.
#ifndef VR_DEFAULT_FIELD_H
#define VR_DEFAULT_FIELD_H

#include "field.h"

namespace vr {

void fillDefaultField(Field& field);

}  // namespace vr

#endif  // VR_DEFAULT_FIELD_H
