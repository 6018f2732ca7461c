#pragma once

#include <QString>

class CommonDialog;

// Asks for one file to open, proposing the files of a folder with the given extensions.
class cls_GetFileName {
public:
    // ext is an extension ("pdf") or the register's list ("*.xls;*.xlsx;..."). Returns the chosen
    // file, or "" when the user cancels; a folder that does not exist proposes no name.
    QString GetFileName(CommonDialog& dlg, const QString& folder, const QString& ext);
};
