// Every save-file and folder chooser of the program goes through one service,
// like the message boxes, so that tests script the user's choice and never
// block on a modal dialog.
#pragma once

#include <QString>
#include <QStringList>
#include <optional>
#include <vector>

namespace vorel {

struct SaveFileRequest {
    QString proposedPath;     // the name shown when the dialog opens
    QString startFolder;      // where it opens when no path is proposed; empty: the working folder
    // Windows-style filter text: "BMP (Windows Bitmap)|*.bmp|...|", pairs of
    // a description and its patterns, each ended by "|".
    QString filter;
    QString defaultSuffix;    // added to a name typed without one; empty: none
    bool confirmOverwrite = true;  // the dialog asks before an existing file is replaced
};

class IFileDialogService {
  public:
    virtual ~IFileDialogService() = default;
    // The chosen path, or nothing when the user cancels.
    virtual std::optional<QString> GetSaveFileName(const SaveFileRequest& request) = 0;
    // A folder of the file system, or nothing when the user cancels.
    virtual std::optional<QString> GetExistingDirectory(const QString& startFolder) = 0;
    // An existing file to read, from `startFolder` on, or nothing when the user cancels.
    virtual std::optional<QString> GetOpenFileName(const QString& startFolder, const QString& filter) = 0;
};

// Qt's own dialogs (not the desktop's), parented to the active window.
class QtFileDialogService : public IFileDialogService {
  public:
    std::optional<QString> GetSaveFileName(const SaveFileRequest& request) override;
    std::optional<QString> GetExistingDirectory(const QString& startFolder) override;
    std::optional<QString> GetOpenFileName(const QString& startFolder, const QString& filter) override;
};

// Records every request and answers from a script (tests): each answer is a
// path, or nothing for Cancel; an empty script cancels.
class ScriptedFileDialogService : public IFileDialogService {
  public:
    std::optional<QString> GetSaveFileName(const SaveFileRequest& request) override;
    std::optional<QString> GetExistingDirectory(const QString& startFolder) override;
    std::optional<QString> GetOpenFileName(const QString& startFolder, const QString& filter) override;

    std::vector<SaveFileRequest> saveRequests;
    std::vector<QString> folderRequests;  // start folders of folder and open-file requests
    std::vector<std::optional<QString>> answers;  // consumed front first, by either kind
};

// "BMP (Windows Bitmap)|*.bmp|All|*.*|" as Qt's name filters:
// "BMP (Windows Bitmap) (*.bmp)", "All (*)". A pattern "*.*" means every file.
QStringList ToQtNameFilters(const QString& windowsFilter);

// The service the program uses; tests replace it.
IFileDialogService& FileDialogs();
void SetFileDialogService(IFileDialogService* service);  // null restores Qt's dialogs

}  // namespace vorel
