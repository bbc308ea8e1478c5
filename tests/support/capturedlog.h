// Collects what the program writes to Qt's message log while an instance
// lives (nothing reaches standard error meanwhile).
#pragma once

#include <QString>
#include <QStringList>
#include <QtGlobal>

class TCapturedLog {
public:
    TCapturedLog()
    {
        Instance() = this;
        FPrevious = qInstallMessageHandler(&Collect);
    }
    ~TCapturedLog()
    {
        qInstallMessageHandler(FPrevious);
        Instance() = nullptr;
    }
    TCapturedLog(const TCapturedLog&) = delete;
    TCapturedLog& operator=(const TCapturedLog&) = delete;

    // True when some line holds every one of the texts.
    bool Has(std::initializer_list<QString> texts) const
    {
        for (const QString& line : Lines) {
            bool all = true;
            for (const QString& text : texts)
                all = all && line.contains(text);
            if (all)
                return true;
        }
        return false;
    }

    QStringList Lines;

private:
    static TCapturedLog*& Instance()
    {
        static TCapturedLog* instance = nullptr;
        return instance;
    }
    static void Collect(QtMsgType, const QMessageLogContext&, const QString& message)
    {
        if (Instance())
            Instance()->Lines << message;
    }

    QtMessageHandler FPrevious = nullptr;
};
