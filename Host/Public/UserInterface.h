// What the editor shows the user. All calls come from the main thread.
#pragma once

#include "Text.h"

#include <memory>
#include <string>

namespace host
{
// A progress dialog of a fixed total; it closes when the last reference is released.
class IProgressDialog
{
public:
    virtual ~IProgressDialog() = default;
    // Amounts may be fractional and negative; the shown fraction is clamped to 0..total.
    virtual void Advance(double amount) = 0;
};

class IUserInterface
{
public:
    virtual ~IUserInterface() = default;
    // A modal box with an OK button; returns when the user has closed it.
    virtual void ShowMessage(const std::string& text) = 0;
    // A modal Yes/No question; true for Yes.
    virtual bool AskYesNo(const std::string& text) = 0;
    virtual void OpenUrl(const std::string& url) = 0;
    // Shown at once, enabled, without a cancel button.
    virtual std::shared_ptr<IProgressDialog> OpenProgress(double total, const FText& title) = 0;
    // Brings a tab to the front; the plug-in uses "OutputLog".
    virtual void ShowTab(const std::string& tabId) = 0;
    // The renderer exists only while the UI application runs.
    virtual bool IsApplicationRunning() const = 0;
    virtual void ReloadTextureResources() = 0;
};
} // namespace host
