// FMainWorkflow's profile: the pipeline written as one session per
// operation ("operation_1" on, with its kind's "name" and its settings), and
// read back in place of the pipeline, trusting only the sessions the file
// holds.
#include "fmainworkflow.h"

#include "base/sn_log.h"
#include "base/sn_setting.h"
#include "base/sn_thread.h"
#include "operation.h"
#include "preview.h"
#include "ui_fmainworkflow.h"

#include <QFile>
#include <QRegularExpression>

#include <map>

bool FMainWorkflow::saveProfile(const QString &path)
{
    applyPendingEdits();
    sn_setting_t *setting = sn_setting_create();
    if (!setting)
        return false;
    // A pipeline that the store cannot hold whole (more operations than it
    // has sessions) is not written at all: a shorter one would load as if
    // it were the pipeline.
    bool whole = sn_setting_set_int(setting, nullptr, "operation_count", m_operations.count()) == 0;
    for (int n = 1; whole && n <= m_operations.count(); n++) {
        CAbstractOperation *operation = m_operations.at(n - 1);
        const QByteArray session = QStringLiteral("operation_%1").arg(n).toUtf8();
        OperationParamList pairs;
        operation->getParams(pairs);
        whole = sn_setting_set_string(setting, session.constData(), "name",
                                      operation->info() ? operation->info()->name : "") == 0;
        for (const QPair<QString, QString> &pair : pairs)
            if (sn_setting_set_string(setting, session.constData(), pair.first.toUtf8().constData(),
                                      pair.second.toUtf8().constData()) != 0)
                whole = false;
    }
    const QByteArray file = QFile::encodeName(path);
    if (!whole)
        sn_log(4, NULL, "FMainWorkflow::saveProfile", __LINE__,
               "pipeline of %d operations does not fit FAILED! %s\n", m_operations.count(),
               file.constData());
    const bool saved = whole && sn_setting_save(setting, file.constData()) == 0;
    sn_setting_destroy(setting);
    return saved;
}

bool FMainWorkflow::loadProfile(const QString &path)
{
    sn_setting_t *setting = sn_setting_create();
    if (!setting)
        return false;
    if (sn_setting_load(setting, QFile::encodeName(path).constData()) != 0) {
        sn_setting_destroy(setting);
        return true;
    }
    int count = 0;
    if (sn_setting_get_int(setting, nullptr, "operation_count", &count) != 0) {
        sn_setting_destroy(setting);
        return false;
    }
    // A negative count names no session at all: taken as it stands it would
    // empty the pipeline of a file that holds one.
    if (count < 0) {
        sn_log(4, NULL, "FMainWorkflow::loadProfile", __LINE__,
               "operation_count %d out of range FAILED! %s\n", count,
               QFile::encodeName(path).constData());
        sn_setting_destroy(setting);
        return false;
    }

    // The count is not trusted: only the sessions that the file holds, among
    // "operation_1" to "operation_<count>", are read (at most the store's
    // 127), from the last to the first.
    std::map<int, QByteArray> sessions;
    static const QRegularExpression pattern(QStringLiteral("^operation_([1-9][0-9]{0,9})$"));
    int cursor = 0;
    for (const char *session = sn_setting_next_session(setting, &cursor); session;
         session = sn_setting_next_session(setting, &cursor)) {
        QRegularExpressionMatch match = pattern.match(QString::fromUtf8(session));
        if (!match.hasMatch())
            continue;
        bool ok = false;
        const qlonglong n = match.captured(1).toLongLong(&ok);
        if (ok && n >= 1 && n <= count)
            sessions[(int)n] = QByteArray(session);
    }

    QList<CAbstractOperation *> old;
    sn_thread_mutex_lock(m_mutex);
    old.swap(m_operations);
    sn_thread_mutex_unlock(m_mutex);
    on_CurrentIndexChanged(-1);
    updateOperationView();
    on_twPreviewCurrentChanged(m_ui->twPreview->currentIndex());
    if (m_preview)
        preview_invalidate(m_preview, 0, -1);
    retire(old);

    m_loadingProfile++;
    m_unknownShown = false;
    for (auto it = sessions.rbegin(); it != sessions.rend(); ++it) {
        const char *session = it->second.constData();
        const char *name = sn_setting_get_string(setting, session, "name");
        OperationParamList pairs;
        intptr_t keyCursor = 0;
        for (const char *key = sn_setting_next_key(setting, session, &keyCursor); key;
             key = sn_setting_next_key(setting, session, &keyCursor)) {
            const char *value = sn_setting_get_string(setting, session, key);
            if (!value)
                break;
            pairs.append(qMakePair(QString::fromUtf8(key), QString::fromUtf8(value)));
        }
        const QByteArray kind = name ? QByteArray(name) : QByteArray();
        insertOperation(name ? kind.constData() : nullptr, -1, &pairs);
    }
    m_loadingProfile--;
    sn_setting_destroy(setting);
    return true;
}
