// SPDX-License-Identifier: GPL-3.0-or-later
#include "family/rules/family_settings.h"

#include "family/rules/family_deal.h"

#include <QDir>
#include <QFileInfo>
#include <QSaveFile>
#include <QSettings>
#include <QStandardPaths>

namespace family {

namespace {

const QString kClassic = QStringLiteral("classic");
const QStringList kLevelKeys{QStringLiteral("forgetful"), QStringLiteral("skilled"),
                             QStringLiteral("master")};

// A value in double quotes, so that commas, semicolons and spaces stay part of it when QSettings reads it.
QString Quoted(const QString& value) {
    QString escaped = value;
    escaped.replace(QLatin1Char('\\'), QStringLiteral("\\\\"))
        .replace(QLatin1Char('"'), QStringLiteral("\\\""));
    return QLatin1Char('"') + escaped + QLatin1Char('"');
}

int BoardFrom(const QString& text) {
    if (text.trimmed() == kClassic)
        return kClassicBoard;
    bool ok = false;
    const int cards = text.trimmed().toInt(&ok);
    for (const BoardShape& shape : FamilyBoards()) {
        if (ok && shape.cards == cards)
            return cards;
    }
    return Settings{}.board;
}

} // namespace

QString CleanName(const QString& name, int player) {
    QString clean;
    for (const QChar c : name) {
        if (c.isPrint())
            clean += c;
    }
    clean = clean.trimmed().left(kMaxNameLength).trimmed();
    return clean.isEmpty() ? Settings::DefaultName(player) : clean;
}

QString SettingsPath() {
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           QStringLiteral("/plamkov/pexeso.ini");
}

Settings LoadSettings(const QString& path) {
    Settings settings;
    if (!QFileInfo(path).isFile())
        return settings;
    const QSettings file(path, QSettings::IniFormat);
    if (file.status() != QSettings::NoError)
        return settings;
    // A value with a comma that is not in quotes reads as a list; a name may hold one.
    const auto text = [&file](const QString& key) {
        const QVariant value = file.value(key);
        return value.typeId() == QMetaType::QStringList ? value.toStringList().join(QStringLiteral(", "))
                                                        : value.toString();
    };

    bool ok = false;
    const int players = text(QStringLiteral("game/players")).toInt(&ok);
    if (ok && players >= 1 && players <= kMaxPlayers) {
        settings.names.clear();
        for (int i = 1; i <= players; ++i)
            settings.names << CleanName(text(QStringLiteral("game/name%1").arg(i)), i);
    }
    const QString computer = text(QStringLiteral("game/computer")).trimmed();
    settings.computer = computer == QStringLiteral("true");
    const auto level = kLevelKeys.indexOf(text(QStringLiteral("game/level")).trimmed());
    if (level >= 0)
        settings.level = static_cast<Level>(level);
    settings.board = BoardFrom(text(QStringLiteral("game/board")));
    settings.folder = text(QStringLiteral("game/folder"));
    for (const BoardShape& shape : FamilyBoards()) {
        const int best = text(QStringLiteral("best/%1").arg(shape.cards)).toInt(&ok);
        if (ok && best >= shape.cards / 2 && best < 100000)
            settings.best[shape.cards] = best;
    }
    return settings;
}

bool SaveSettings(const QString& path, const Settings& settings) {
    QString ini = QStringLiteral("[game]\n");
    ini += QStringLiteral("players=%1\n").arg(settings.names.size());
    for (int i = 0; i < settings.names.size(); ++i)
        ini += QStringLiteral("name%1=%2\n").arg(i + 1).arg(Quoted(settings.names[i]));
    ini += QStringLiteral("computer=%1\n")
               .arg(settings.computer ? QStringLiteral("true") : QStringLiteral("false"));
    ini += QStringLiteral("level=%1\n").arg(kLevelKeys[static_cast<int>(settings.level)]);
    ini += QStringLiteral("board=%1\n")
               .arg(settings.board == kClassicBoard ? kClassic : QString::number(settings.board));
    ini += QStringLiteral("folder=%1\n").arg(Quoted(settings.folder));
    if (!settings.best.empty()) {
        ini += QStringLiteral("\n[best]\n");
        for (const auto& [board, turns] : settings.best)
            ini += QStringLiteral("%1=%2\n").arg(board).arg(turns);
    }

    if (!QDir().mkpath(QFileInfo(path).absolutePath()))
        return false;
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    const QByteArray bytes = ini.toUtf8();
    // Flushed and checked before the rename: Qt's commit renames even after a write to a full disk failed.
    if (file.write(bytes) != bytes.size() || !file.flush() || file.error() != QFileDevice::NoError) {
        file.cancelWriting();
        return false; // the temporary file goes; the old one stays
    }
    return file.commit();
}

} // namespace family
