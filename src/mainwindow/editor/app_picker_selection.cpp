#include "mainwindow/editor/app_picker_selection.h"

#include "settings/localization.h"

namespace tessly {

namespace {

/// The form in which names and searches meet: composed accents, case folded.
QString searchKey(const QString& text) {
    return text.normalized(QString::NormalizationForm_C).toCaseFolded();
}

} // namespace

bool localizedCaseInsensitiveContains(const QString& text, const QString& search) {
    return searchKey(text).contains(searchKey(search));
}

AppPickerSelection::AppPickerSelection(QSet<QString> alreadyAddedBundleIDs)
    : m_alreadyAdded(std::move(alreadyAddedBundleIDs)) {}

void AppPickerSelection::setApplications(QList<AppItem> applications) {
    m_applications = std::move(applications);
    m_searchKeys.clear();
    m_searchKeys.reserve(m_applications.size());
    QSet<QUuid> listed;
    for (const AppItem& application : std::as_const(m_applications)) {
        m_searchKeys.append(searchKey(application.name));
        listed.insert(application.id);
    }
    m_selected.intersect(listed);
    filter();
}

void AppPickerSelection::setSearchText(const QString& text) {
    m_search = searchKey(text.trimmed());
    filter();
}

void AppPickerSelection::filter() {
    m_shown.clear();
    m_shown.reserve(m_applications.size());
    for (qsizetype row = 0; row < m_applications.size(); ++row) {
        if (m_search.isEmpty() || m_searchKeys.at(row).contains(m_search)) {
            m_shown.append(row);
        }
    }
}

bool AppPickerSelection::isAlreadyAdded(const AppItem& application) const {
    return m_alreadyAdded.contains(application.bundleID);
}

bool AppPickerSelection::isSelected(const AppItem& application) const {
    return m_selected.contains(application.id);
}

bool AppPickerSelection::toggle(const QUuid& id) {
    const auto found = std::find_if(m_applications.cbegin(), m_applications.cend(),
                                    [&id](const AppItem& application) { return application.id == id; });
    if (found == m_applications.cend() || isAlreadyAdded(*found)) {
        return false;
    }
    if (!m_selected.remove(id)) {
        m_selected.insert(id);
    }
    return true;
}

QList<AppItem> AppPickerSelection::chosenApplications() const {
    QList<AppItem> chosen;
    for (const AppItem& application : m_applications) {
        if (m_selected.contains(application.id)) {
            chosen.append(application);
        }
    }
    return chosen;
}

QString appPickerConfirmTitle(const Localization& l10n, qsizetype count) {
    if (count > 0) {
        return l10n.localizedString(QStringLiteral("app_picker.add_count"), {count});
    }
    return l10n.localizedString(QStringLiteral("Add"));
}

} // namespace tessly
