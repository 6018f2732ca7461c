#pragma once

#include <QString>

// Where each definition text lives among the compiled-in resources.
namespace Resources {
// The resource path of the definition text with this id; "" for an unknown id.
QString definitionTextPath(long id);
}  // namespace Resources
