#include "ReportHooks.h"

namespace ReportHooks {
std::function<void(const QString&, const QString&, const QStringList&)> UsersList;
std::function<void(const QString&, const QString&, const QString&, const QString&, long)> LookupList;
}  // namespace ReportHooks
