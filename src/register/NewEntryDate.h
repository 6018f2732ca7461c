#pragma once

#include <QVariant>

class QWidget;
class clsDBForm;

// The server's date for a new entry, read a second time on the connection made anew when the first
// read found it lost. Null when it cannot be read: the failure is reported and the new entry given
// up (an entry without its date would only be refused at its save).
QVariant NewEntryDate(QWidget* owner, clsDBForm* form);
