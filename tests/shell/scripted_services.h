// PlatformServices whose answers are scripted beforehand and whose requests are recorded.
#pragma once

#include <QDialog>
#include <QString>
#include <QStringList>
#include <deque>
#include <functional>
#include <optional>
#include <vector>

#include "shell/platform_services.h"

namespace marbleset::shell::testing {

struct RecordedMessage {
  QString title;
  QString text;
  bool question = false;  // a Yes/No question rather than an OK-only message
};

class ScriptedServices : public PlatformServices {
 public:
  // Taken in order; an empty queue answers "cancel" for files and "No" for questions.
  std::deque<std::optional<FileChoice>> openAnswers, saveAnswers;
  std::deque<bool> yesNoAnswers;
  // Plays the user's part in a modal dialog and answers whether it was accepted; taken in
  // order, an empty queue cancels the dialog.
  std::deque<std::function<bool(QDialog&)>> dialogScripts;

  std::vector<FileDialogRequest> openRequests, saveRequests;
  std::vector<RecordedMessage> messages;
  std::vector<QString> modalDialogs;  // the object names of the dialogs run
  QStringList editorStarts;
  QString clipboard;

  std::optional<FileChoice> ChooseOpenFile(QWidget*, const FileDialogRequest& request) override {
    return openRequests.push_back(request), Take(openAnswers);
  }
  std::optional<FileChoice> ChooseSaveFile(QWidget*, const FileDialogRequest& request) override {
    return saveRequests.push_back(request), Take(saveAnswers);
  }
  void ShowMessage(QWidget*, const QString& title, const QString& text) override {
    messages.push_back({title, text, false});
  }
  bool AskYesNo(QWidget*, const QString& title, const QString& text) override {
    messages.push_back({title, text, true});
    const bool answer = !yesNoAnswers.empty() && yesNoAnswers.front();
    if (!yesNoAnswers.empty()) yesNoAnswers.pop_front();
    return answer;
  }
  // The one OK-only message shown since the last take, as "title: text"; none, several or a
  // question come back described, so that a comparison fails showing them. Empties the record.
  QString TakeMessage() {
    QString taken = messages.size() == 1 ? "" : QString("%1 messages:").arg(messages.size());
    for (const RecordedMessage& message : messages) {
      if (messages.size() != 1) taken += "\n";
      taken += (message.question ? "question " : "") + message.title + ": " + message.text;
    }
    messages.clear();
    return taken;
  }
  void StartEditor(const QString& path) override { editorStarts.push_back(path); }
  void SetClipboardText(const QString& text) override { clipboard = text; }
  void ShowHelpContents(QWidget*) override {}
  bool RunModal(QDialog& dialog) override {
    modalDialogs.push_back(dialog.objectName());
    if (dialogScripts.empty()) return false;
    const auto script = std::move(dialogScripts.front());
    dialogScripts.pop_front();
    return script(dialog);
  }

 private:
  static std::optional<FileChoice> Take(std::deque<std::optional<FileChoice>>& answers) {
    if (answers.empty() || !answers.front()) {
      if (!answers.empty()) answers.pop_front();
      return std::nullopt;
    }
    FileChoice choice = *answers.front();
    answers.pop_front();
    return choice;
  }
};

}  // namespace marbleset::shell::testing
