#include "DbMessages.h"

#include <QFileInfo>
#include <QStorageInfo>
#include <initializer_list>

namespace DbMessages {

namespace {

const QString kCrLf = QStringLiteral("\r\n");

bool containsAny(const QString& text, std::initializer_list<const char*> pieces) {
    for (const char* piece : pieces)
        if (text.contains(QLatin1String(piece), Qt::CaseInsensitive)) return true;
    return false;
}

QString withDriver(const QString& sentence, const QString& driverText) {
    const QString driver = DriverPart(driverText).trimmed();
    return driver.isEmpty() ? sentence : sentence + kCrLf + AdministratorLine() + driver;
}

// What a unique key or index guards, named as the clerk knows it; the first table the driver's
// text names decides.
QString duplicateOf(const QString& driverText) {
    const QString t = driverText.toUpper();
    static const struct {
        const char* table;
        const char16_t* what;
    } known[] = {
        {"R_YPEYTH", u"Ένα από τα «Υπεύθυνα τμήματα» της εγγραφής"},
        {"R_ANTIGRAFA", u"Ένα από τα τμήματα της «Κοινοποίηση σε» της εγγραφής"},
        {"PROTOCOL", u"Ο Α/Α Πρωτοκόλλου της χρονιάς"},
        {"L_USER_GROUPS", u"Ο κωδικός της ομάδας χρηστών"},
        {"PARAM", u"Η παράμετρος"},
    };
    // The name standing alone (an underscore may join it to a key's name): the first one met.
    const auto letter = [&t](qsizetype i) { return i >= 0 && i < t.size() && t.at(i).isLetterOrNumber(); };
    qsizetype best = -1;
    QString what;
    for (const auto& k : known) {
        const QString table = QLatin1String(k.table);
        for (qsizetype at = t.indexOf(table); at >= 0; at = t.indexOf(table, at + 1)) {
            if (letter(at - 1) || letter(at + table.size())) continue;
            if (best < 0 || at < best) {
                best = at;
                what = QString::fromUtf16(k.what);
            }
            break;
        }
    }
    return what.isEmpty() ? QStringLiteral("Μια τιμή που πρέπει να είναι μοναδική") : what;
}

}  // namespace

QString AdministratorLine() {
    return QStringLiteral("Για τον διαχειριστή: ");
}

QString Sentence(const QString& t) {
    if (containsAny(
            t, {"database or disk is full", "No space left on device", "could not extend file", "disk full"}))
        return QStringLiteral(
            "Ο δίσκος της βάσης δεδομένων γέμισε και η αλλαγή δεν αποθηκεύτηκε. Ζητήστε από τον "
            "διαχειριστή να ελευθερώσει χώρο και δοκιμάστε ξανά.");
    if (containsAny(t, {"UNIQUE constraint failed", "duplicate key value violates unique constraint",
                        "Cannot insert duplicate key", "Violation of PRIMARY KEY constraint",
                        "Violation of UNIQUE KEY constraint"}))
        return duplicateOf(t) +
               QStringLiteral(
                   " υπάρχει ήδη στη βάση δεδομένων και δεν καταχωρίζεται δεύτερη φορά· η αλλαγή δεν "
                   "αποθηκεύτηκε. Ό,τι πληκτρολογήσατε έχει μείνει στη φόρμα. Αν το μήνυμα "
                   "επαναλαμβάνεται, ειδοποιήστε τον διαχειριστή.");
    if (containsAny(t, {"readonly database", "read-only transaction", "read-only database"}))
        return QStringLiteral(
            "Η βάση δεδομένων είναι μόνο για ανάγνωση και η αλλαγή δεν αποθηκεύτηκε. Ζητήστε από "
            "τον διαχειριστή δικαίωμα εγγραφής στο αρχείο της βάσης και στον φάκελό του και "
            "δοκιμάστε ξανά.");
    if (containsAny(t, {"The database file does not exist", "unable to open database file"}))
        return QStringLiteral(
            "Το αρχείο της βάσης δεδομένων δεν βρέθηκε. Ελέγξτε ότι ο φάκελός του είναι "
            "προσβάσιμος (για παράδειγμα ότι ο δίσκος του δικτύου είναι συνδεδεμένος) ή ζητήστε "
            "από τον διαχειριστή να ελέγξει τη ρύθμιση της σύνδεσης.");
    if (containsAny(t, {"Operation is not allowed when the object is closed"}))
        return QStringLiteral(
            "Η σύνδεση με τη βάση δεδομένων είναι κλειστή και η ενέργεια δεν έγινε. Δοκιμάστε "
            "ξανά σε λίγο· αν το μήνυμα επαναλαμβάνεται, κλείστε το πρόγραμμα και ανοίξτε το "
            "ξανά.");
    if (containsAny(t, {"PostAction left its transaction open"}))
        return QStringLiteral(
            "Η αποθήκευση δεν ολοκληρώθηκε και τίποτα από αυτήν δεν γράφτηκε. Ό,τι "
            "πληκτρολογήσατε έχει μείνει στη φόρμα: δοκιμάστε ξανά την αποθήκευση.");
    if (containsAny(t, {"the database system is starting up", "not yet accepting connections",
                        "the database system is in recovery mode", "the database system is shutting down"}))
        return QStringLiteral(
            "Ο διακομιστής της βάσης δεδομένων ξεκινά ή σταματά αυτή τη στιγμή. Περιμένετε λίγο "
            "και δοκιμάστε ξανά.");
    if (containsAny(t, {"Connection refused", "could not connect to server", "No route to host",
                        "timeout expired", "could not translate host name", "Network is unreachable"}))
        return QStringLiteral(
            "Ο διακομιστής της βάσης δεδομένων δεν απαντά. Ελέγξτε ότι λειτουργεί και ότι ο "
            "υπολογιστής είναι συνδεδεμένος στο δίκτυο (ή ειδοποιήστε τον διαχειριστή) και "
            "δοκιμάστε ξανά.");
    if (containsAny(t, {"password authentication failed", "no pg_hba.conf entry", "Login failed for user"}))
        return QStringLiteral(
            "Ο διακομιστής της βάσης δεδομένων δεν δέχτηκε τα στοιχεία σύνδεσης της εγκατάστασης. "
            "Ειδοποιήστε τον διαχειριστή.");
    if (containsAny(t,
                    {"database is locked", "lock timeout", "canceling statement due to statement timeout"}))
        return QStringLiteral(
            "Η βάση δεδομένων είναι απασχολημένη από άλλον χρήστη και η ενέργεια δεν έγινε. "
            "Δοκιμάστε ξανά σε λίγο.");
    return {};
}

QString Explained(const QString& driverText) {
    if (driverText.contains(AdministratorLine())) return driverText;
    const QString sentence = Sentence(driverText);
    return sentence.isEmpty() ? driverText : withDriver(sentence, driverText);
}

FileFacts FactsOf(const QString& databaseFile) {
    FileFacts facts;
    const QFileInfo file(databaseFile);
    facts.exists = file.isFile();
    const QStorageInfo medium(facts.exists ? file.absoluteFilePath() : file.absolutePath());
    facts.mediumReadOnly = medium.isValid() && medium.isReadOnly();
    return facts;
}

QString Sentence(const QString& t, const FileFacts& file) {
    const bool cannotOpen = containsAny(t, {"unable to open database file"});
    const bool readOnly = containsAny(t, {"readonly database"});
    if ((cannotOpen || readOnly) && file.mediumReadOnly)
        return QStringLiteral(
            "Η βάση δεδομένων βρίσκεται σε δίσκο που είναι μόνο για ανάγνωση (για παράδειγμα δίσκο "
            "δικτύου ή μέσο συνδεδεμένο μόνο για ανάγνωση) και δεν μπορεί να χρησιμοποιηθεί. Ζητήστε "
            "από τον διαχειριστή να συνδέσει τον δίσκο με δικαίωμα εγγραφής ή να μεταφέρει τη βάση σε "
            "δίσκο με δικαίωμα εγγραφής και δοκιμάστε ξανά.");
    // SQLITE_READONLY_DIRECTORY: the file's folder takes no new files (its -wal and -shm), which
    // a register needs even to be read.
    if (readOnly && t.contains(QLatin1String("(1544)")))
        return QStringLiteral(
            "Ο φάκελος της βάσης δεδομένων είναι μόνο για ανάγνωση και η βάση δεν μπορεί να "
            "χρησιμοποιηθεί: το πρόγραμμα γράφει σε αυτόν, δίπλα στο αρχείο της βάσης, ακόμη και για "
            "να τη διαβάσει. Ζητήστε από τον διαχειριστή δικαίωμα εγγραφής στον φάκελο και δοκιμάστε "
            "ξανά.");
    if (cannotOpen && file.exists)
        return QStringLiteral(
            "Το αρχείο της βάσης δεδομένων υπάρχει, αλλά δεν ήταν δυνατό να ανοιχτεί. Ζητήστε από τον "
            "διαχειριστή να ελέγξει τα δικαιώματα του αρχείου και του φακέλου του και δοκιμάστε "
            "ξανά.");
    return Sentence(t);
}

QString Explained(const QString& driverText, const FileFacts& file) {
    if (driverText.contains(AdministratorLine())) return driverText;
    const QString sentence = Sentence(driverText, file);
    return sentence.isEmpty() ? driverText : withDriver(sentence, driverText);
}

QString DriverPart(const QString& text) {
    const qsizetype at = text.indexOf(AdministratorLine());
    return at < 0 ? text : text.mid(at + AdministratorLine().size());
}

QString LostConnection(const QString& lost, const QString& driverText) {
    return withDriver(
        lost + QStringLiteral(" Η ενέργεια δεν ολοκληρώθηκε· το πρόγραμμα συνδέεται ξανά μόνο "
                              "του με την επόμενη ενέργεια: δοκιμάστε ξανά σε λίγο. Αν το μήνυμα "
                              "επαναλαμβάνεται, ειδοποιήστε τον διαχειριστή."),
        driverText);
}

QString NotRestored(const QString& notRestored, const QString& openError, const FileFacts* file) {
    QString sentence = file ? Sentence(openError, *file) : Sentence(openError);
    if (sentence.isEmpty())
        sentence = QStringLiteral(
            "Ελέγξτε ότι ο διακομιστής της βάσης δεδομένων λειτουργεί (ή ειδοποιήστε τον "
            "διαχειριστή) και δοκιμάστε ξανά σε λίγο.");
    return withDriver(notRestored + QLatin1Char(' ') + sentence, openError);
}

QString BrokenTransaction(const QString& why) {
    return withDriver(
        QStringLiteral("Η εργασία στη βάση δεδομένων διακόπηκε και τίποτα από αυτήν δεν γράφτηκε. "
                       "Δοκιμάστε ξανά."),
        why);
}

}  // namespace DbMessages
