// The field file: the reader's settings and every card, as JSON.
#ifndef VR_FIELD_JSON_H
#define VR_FIELD_JSON_H

#include <optional>
#include <string>

#include "field.h"
#include "reader.h"

namespace vr {

// Reads a field file's text into `reader` and `field`. Returns the problem
// (naming where in the document it is) when the text is not a valid field,
// in which case neither is touched.
std::optional<std::string> fieldFromJson(const std::string& text, ReaderState& reader,
                                         Field& field);

std::string fieldToJson(const ReaderState& reader, const Field& field);

}  // namespace vr

#endif  // VR_FIELD_JSON_H
