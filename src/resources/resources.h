#pragma once

#include <QString>

// Where each definition text lives among the compiled-in resources.
namespace Resources {
// The resource path of the definition text with this id; "" for an unknown id.
QString definitionTextPath(long id);
// Installs the Greek texts of Qt's own dialogs (file, print, page set-up, message boxes, the edit
// menus of text boxes) in the running application; false when the catalogue cannot be read.
bool InstallQtTranslation();
}  // namespace Resources
