// PlatformServices for tests: every answer is scripted beforehand and every request is recorded,
// so a test can drive a window through its dialogs and then look at what was asked.
#pragma once

#include <QString>
#include <QStringList>
#include <deque>
#include <optional>
#include <vector>

#include "shell/platform_services.h"

namespace marbleset::shell::testing {

struct RecordedMessage {
  QString title;
  QString text;
  bool question = false;  // true for a Yes/No question, false for an OK-only message
};

class ScriptedServices : public PlatformServices {
 public:
  // Answers, taken in order; an empty queue answers "cancel" for files and "No" for questions.
  std::deque<std::optional<FileChoice>> openAnswers;
  std::deque<std::optional<FileChoice>> saveAnswers;
  std::deque<bool> yesNoAnswers;

  // What was asked.
  std::vector<FileDialogRequest> openRequests;
  std::vector<FileDialogRequest> saveRequests;
  std::vector<RecordedMessage> messages;
  QStringList editorStarts;
  QString clipboard;
  int clipboardWrites = 0;
  int helpShown = 0;

  std::optional<FileChoice> ChooseOpenFile(QWidget*, const FileDialogRequest& request) override {
    openRequests.push_back(request);
    return Take(openAnswers);
  }
  std::optional<FileChoice> ChooseSaveFile(QWidget*, const FileDialogRequest& request) override {
    saveRequests.push_back(request);
    return Take(saveAnswers);
  }
  void ShowMessage(QWidget*, const QString& title, const QString& text) override {
    messages.push_back({title, text, false});
  }
  bool AskYesNo(QWidget*, const QString& title, const QString& text) override {
    messages.push_back({title, text, true});
    if (yesNoAnswers.empty()) return false;
    const bool answer = yesNoAnswers.front();
    yesNoAnswers.pop_front();
    return answer;
  }
  void StartEditor(const QString& path) override { editorStarts.push_back(path); }
  void SetClipboardText(const QString& text) override {
    clipboard = text;
    ++clipboardWrites;
  }
  void ShowHelpContents(QWidget*) override { ++helpShown; }

  // Convenience for scripting: the user picks path with the given 0-based filter entry.
  static FileChoice Pick(const QString& path, int filterIndex = 0) { return {path, filterIndex}; }

 private:
  static std::optional<FileChoice> Take(std::deque<std::optional<FileChoice>>& answers) {
    if (answers.empty()) return std::nullopt;
    const bool cancelled = !answers.front().has_value();
    FileChoice choice = cancelled ? FileChoice{} : *answers.front();
    answers.pop_front();
    if (cancelled) return std::nullopt;
    return choice;
  }
};

}  // namespace marbleset::shell::testing
