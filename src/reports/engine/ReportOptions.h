#pragma once

#include <QDialog>
#include <QStringList>

class QComboBox;
class QGroupBox;
class QPushButton;
class QRadioButton;
class ReportEngine;

// The report-options dialog: how to print (preview, printer, PDF file), which rows (all or the
// current selection) and in which order; the choices are remembered per settings section.
class ReportOptions : public QDialog {
    Q_OBJECT
public:
    explicit ReportOptions(QWidget* parent = nullptr);

    // Shows the dialog modally. Options holds the order choices "FIELD~caption". False when the
    // user cancelled.
    bool Show(const QString& section, bool hasSelection, QStringList& options, const QString& title,
              bool canExport, ReportEngine* engine, bool reserved, bool scopeChoice);
    // The mode for ReportEngine::Run, the scope (1 all rows, 2 the selection) and the text that
    // follows " ORDER BY " ("" for none).
    void Result(long& mode, long& scope, QString& orderBy) const;

    QRadioButton *optPreview, *optPrint, *optExport, *optAll, *optSelection;
    QGroupBox *fraMode, *fraScope;
    QComboBox* cmbOrder;
    QPushButton *cmdOK, *cmdCancel;

private:
    void load();
    void save() const;

    QString m_section;
    QStringList m_fields;
    bool m_accepted = false;
};
