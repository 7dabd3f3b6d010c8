#include "tests/support/scripted_ui.h"

MsgResult ScriptedUi::MessageBox(const QString& title, const QString& text, MsgIcon icon,
                                 MsgButtons buttons) {
    messages.append(ShownMessage{title, text, icon, buttons});
    if (whileShown) {
        auto during = std::move(whileShown); // one shot: a message shown meanwhile does not re-enter
        whileShown = nullptr;
        const ShownMessage shown = messages.last();
        during(shown);
    }
    if (!answers.empty()) {
        const MsgResult a = answers.front();
        answers.pop_front();
        return a;
    }
    return buttons == MsgButtons::Ok ? MsgResult::Ok : MsgResult::Cancel;
}

namespace {
QString Next(std::deque<QString>& queue) {
    if (queue.empty()) return {};
    QString a = queue.front();
    queue.pop_front();
    return a;
}
} // namespace

QString ScriptedUi::OpenFileDialog(const QString&, const QString& filter) {
    dialogFilters << filter;
    return Next(fileAnswers);
}

QString ScriptedUi::SaveFileDialog(const QString&, const QString& filter) {
    dialogFilters << filter;
    proposedPaths << QString();
    return Next(fileAnswers);
}

QString ScriptedUi::SaveFileDialogProposing(const QString&, const QString& filter,
                                            const QString& proposedPath) {
    dialogFilters << filter;
    proposedPaths << proposedPath;
    return Next(fileAnswers);
}

void ScriptedUi::ShowProgressOver(QWidget* owner, const QString& title, const QString& text, int maximum) {
    progressOwner = owner;
    ShowProgress(title, text, maximum);
}

void ScriptedUi::SetProgressCaption(const QString& caption) {
    progressTitle = caption;
    ++progressCaptionChanges;
}

QString ScriptedUi::FolderDialog(const QString&, const QString& startFolder) {
    dialogFilters << QStringLiteral("folder");
    folderStarts << startFolder;
    return Next(fileAnswers);
}

void ScriptedUi::ShowNotice(const QString& title, const QString& text) {
    noticeOpen = true;
    noticeTitle = title;
    noticeText = text;
    ++noticeShows;
}

void ScriptedUi::ShowProgress(const QString& title, const QString& text, int maximum) {
    progressOpen = true;
    progressTitle = title;
    progressText = text;
    progressMax = maximum;
    progressValue = 0;
    ++progressShows;
}

void ScriptedUi::SetProgress(int value, const QString& text) {
    progressValue = value;
    if (!text.isNull()) progressText = text;
}

void ScriptedUi::TraceLine(const QString& line) {
    const qsizetype mark = line.indexOf(QStringLiteral(" --- "));
    traces << (mark >= 0 ? line.mid(mark + 5) : line);
}

QStringList ScriptedUi::MessageTexts() const {
    QStringList texts;
    for (const auto& m : messages)
        texts << m.text;
    return texts;
}

void ScriptedUi::Clear() {
    messages.clear();
    statuses.clear();
    dialogFilters.clear();
    proposedPaths.clear();
    folderStarts.clear();
    traces.clear();
    answers.clear();
    fileAnswers.clear();
}
