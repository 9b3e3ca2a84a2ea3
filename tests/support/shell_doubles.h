// Doubles of the shell's graphical ports: an application that records its policy and panels, panels that keep
// their frame, level and content, screens the test lays out, and a pointer the test moves and clicks.
//
//     RecordingApplication application;
//     FixedScreens screens({{QRectF(0, 0, 1440, 900), QRectF(0, 64, 1440, 811)}});
//     ScriptedPointer pointer;
//     pointer.location = QPointF(500, 30);
//     pointer.pressOutside();       // runs every installed monitor, as a press in another application would
#pragma once

#include "platform/gui/application.h"
#include "platform/gui/screens.h"

#include <QWidget>

#include <map>
#include <memory>
#include <vector>

namespace tessly::testing {

class RecordingPanel final : public Panel {
public:
    [[nodiscard]] QString identifier() const override { return identifierText; }
    [[nodiscard]] bool isPanel() const override { return true; }
    [[nodiscard]] bool isVisible() const override { return visible; }
    void orderFrontRegardless() override {
        visible = true;
        ++frontCount;
    }
    void orderOut() override { visible = false; }
    void setContent(std::unique_ptr<QWidget> view) override { m_content = std::move(view); }
    [[nodiscard]] QWidget* content() const override { return m_content.get(); }
    [[nodiscard]] QSizeF fittingSize() const override {
        return m_content ? QSizeF(m_content->sizeHint()) : QSizeF();
    }
    [[nodiscard]] QRectF frame() const override { return m_frame; }
    void setFrame(const QRectF& frame, bool animate) override {
        m_frame = frame;
        frames.push_back({frame, animate});
    }
    void setLevel(WindowLevel level) override { m_level = level; }
    [[nodiscard]] WindowLevel level() const override { return m_level; }
    void setAppearance(WindowAppearance value) override { appearance = value; }

    struct FrameChange {
        QRectF frame;
        bool animated = false;
    };
    bool visible = false;
    int frontCount = 0;
    QString identifierText;
    std::vector<FrameChange> frames;
    WindowAppearance appearance = WindowAppearance::dark;

private:
    std::unique_ptr<QWidget> m_content;
    QRectF m_frame;
    WindowLevel m_level = WindowLevel::normal;
};

/// A plain window of the application, for the window list.
class RecordingWindow final : public Window {
public:
    explicit RecordingWindow(QString identifier) : m_identifier(std::move(identifier)) {}
    [[nodiscard]] QString identifier() const override { return m_identifier; }
    [[nodiscard]] bool isPanel() const override { return false; }
    [[nodiscard]] bool isVisible() const override { return visible; }
    void orderFrontRegardless() override {
        visible = true;
        ++frontCount;
    }
    void orderOut() override { visible = false; }
    [[nodiscard]] QString title() const override { return windowTitle; }
    void makeKeyAndOrderFront() override {
        visible = true;
        ++keyCount;
    }
    [[nodiscard]] bool isMiniaturized() const override { return miniaturized; }
    void miniaturize() override { miniaturized = true; }
    /// Asked only: the test says when the window manager has done it (`finishDeminiaturize`).
    void deminiaturize() override { ++deminiaturizeRequests; }
    void setDeminiaturizeHandler(std::function<void()> handler) override {
        deminiaturized = std::move(handler);
    }
    void finishDeminiaturize() {
        miniaturized = false;
        if (deminiaturized) {
            // A copy, as the window system's: the handler may remove itself.
            const std::function<void()> handler = deminiaturized;
            handler();
        }
    }

    bool visible = true;
    bool miniaturized = false;
    QString windowTitle;
    int frontCount = 0;
    int keyCount = 0;
    int deminiaturizeRequests = 0;
    std::function<void()> deminiaturized;

private:
    QString m_identifier;
};

class RecordingApplication final : public Application {
public:
    void setActivationPolicy(ActivationPolicy value) override {
        policy = value;
        policies.push_back(value);
    }
    [[nodiscard]] ActivationPolicy activationPolicy() const override { return policy; }
    [[nodiscard]] QList<Window*> windows() const override {
        QList<Window*> all;
        for (const auto& window : plainWindows) {
            all.append(window.get());
        }
        for (Panel* panel : panels) {
            all.append(panel);
        }
        return all;
    }
    [[nodiscard]] Window* keyWindow() const override { return key; }
    [[nodiscard]] std::unique_ptr<Panel> makePanel(const QSizeF&) override {
        auto panel = std::make_unique<RecordingPanel>();
        panels.push_back(panel.get());
        return panel;
    }
    void setReopenHandler(std::function<void()> handler) override { reopen = std::move(handler); }
    void setDidBecomeActiveHandler(std::function<void()> handler) override {
        becameActive = std::move(handler);
    }
    void terminate() override { ++terminateCount; }
    void activate() override { ++activateCount; }
    void unhide() override { ++unhideCount; }

    /// The panel made last, as the test's own type.
    [[nodiscard]] RecordingPanel* lastPanel() const {
        return panels.empty() ? nullptr : static_cast<RecordingPanel*>(panels.back());
    }

    ActivationPolicy policy = ActivationPolicy::regular;
    std::vector<ActivationPolicy> policies;
    std::vector<std::unique_ptr<RecordingWindow>> plainWindows;
    std::vector<Panel*> panels;
    Window* key = nullptr;
    std::function<void()> reopen;
    std::function<void()> becameActive;
    int terminateCount = 0;
    int activateCount = 0;
    int unhideCount = 0;
};

class FixedScreens final : public Screens {
public:
    explicit FixedScreens(QList<ScreenGeometry> list = {}) : all(std::move(list)) {}
    [[nodiscard]] QList<ScreenGeometry> screens() const override { return all; }
    [[nodiscard]] std::optional<qsizetype> mainScreenIndex() const override {
        return all.isEmpty() ? std::nullopt : std::optional<qsizetype>(main);
    }

    QList<ScreenGeometry> all;
    qsizetype main = 0;
};

class ScriptedPointer final : public Pointer {
public:
    [[nodiscard]] QPointF mouseLocation() const override { return location; }
    [[nodiscard]] std::optional<MouseMonitorToken>
    addGlobalMouseDownMonitor(std::function<void()> handler) override {
        if (!monitorsAvailable) {
            return std::nullopt;
        }
        const MouseMonitorToken token = m_next++;
        monitors.emplace(token, std::move(handler));
        return token;
    }
    void removeMonitor(MouseMonitorToken token) override { monitors.erase(token); }

    /// A press somewhere, at `location`: every monitor hears it.
    void press() {
        const auto current = monitors;
        for (const auto& [token, handler] : current) {
            if (monitors.contains(token)) {
                handler();
            }
        }
    }

    QPointF location;
    bool monitorsAvailable = true;
    std::map<MouseMonitorToken, std::function<void()>> monitors;

private:
    MouseMonitorToken m_next = 1;
};

} // namespace tessly::testing
