// Runs part of a test as if the process had started in another locale: the C library's (what a Qt application
// takes from the environment) and Qt's default locale (what a default QLocale or QCollator follows), both put
// back when the object goes.
//
//     ScopedProcessLocale ukrainian("uk_UA.UTF-8");
//     ASSERT_TRUE(ukrainian.isActive()) << "not installed: scripts/install-deps generates it";
//
// Main thread only; nothing else may change the locale meanwhile.
#pragma once

#include <QLocale>
#include <QString>

#include <clocale>
#include <string>

namespace tessly::testing {

class ScopedProcessLocale {
public:
    /// `name` as setlocale takes it ("uk_UA.UTF-8").
    explicit ScopedProcessLocale(const char* name) : m_previousQt(QLocale()) {
        const char* current = std::setlocale(LC_ALL, nullptr);
        m_previousC = current ? current : "C";
        m_active = std::setlocale(LC_ALL, name) != nullptr;
        if (m_active) {
            QLocale::setDefault(QLocale(QString::fromLatin1(name).section(QLatin1Char('.'), 0, 0)));
        }
    }
    ~ScopedProcessLocale() {
        std::setlocale(LC_ALL, m_previousC.c_str());
        QLocale::setDefault(m_previousQt);
    }
    ScopedProcessLocale(const ScopedProcessLocale&) = delete;
    ScopedProcessLocale& operator=(const ScopedProcessLocale&) = delete;

    /// False when the C library does not know the locale (it is not installed): nothing was changed.
    [[nodiscard]] bool isActive() const { return m_active; }

private:
    std::string m_previousC;
    QLocale m_previousQt;
    bool m_active = false;
};

} // namespace tessly::testing
