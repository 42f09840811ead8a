// SPDX-FileCopyrightText: 2026 Ginrei Karuta developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "record/recordstate.h"

#include <QDir>
#include <QFileInfo>

bool isRecordProblem(RecordState state)
{
    return state != RecordState::Opening && state != RecordState::Recording;
}

QString recordProblemText(RecordState state, const QString &databasePath, const QString &detail)
{
    const QString file = QDir::toNativeSeparators(databasePath);
    const QString folder = QDir::toNativeSeparators(QFileInfo(databasePath).absolutePath());
    const QString playOn = QStringLiteral("試合はできますが、記録は残りません。");
    switch (state) {
    case RecordState::Opening:
    case RecordState::Recording:
        break;
    case RecordState::FolderUnwritable:
        return QStringLiteral("成績の記録を保存できません。データのフォルダを作れないか、書き込めません。") + playOn
            + QStringLiteral("\nフォルダ: ") + folder;
    case RecordState::Damaged:
        return QStringLiteral("成績の記録ファイルが壊れているか、成績の記録ではないため、読み書きできません。"
                              "ファイルはそのまま残してあります。")
            + playOn + QStringLiteral("\nファイル: ") + file;
    case RecordState::NewerVersion:
        return QStringLiteral("成績の記録ファイルは、このプログラムより新しい版で書かれています。"
                              "記録を守るため、この版では読み書きしません。")
            + playOn + QStringLiteral("\nファイル: ") + file;
    case RecordState::DiskFull:
        return QStringLiteral("ディスクがいっぱいになったため、成績の記録を止めました。"
                              "それまでの記録は残っています。試合はそのまま続けられます。\nファイル: ")
            + file;
    case RecordState::WriteFailed: {
        QString text = QStringLiteral("成績の記録を書き込めなくなったため、記録を止めました。"
                                      "それまでの記録は残っています。試合はそのまま続けられます。\nファイル: ")
            + file;
        if (!detail.isEmpty())
            text += QStringLiteral("\n（") + detail + QStringLiteral("）");
        return text;
    }
    case RecordState::ReadFailed: {
        QString text = QStringLiteral("成績の記録を読めません。\nファイル: ") + file;
        if (!detail.isEmpty())
            text += QStringLiteral("\n（") + detail + QStringLiteral("）");
        return text;
    }
    }
    return QString();
}
