// What the application picker knows apart from drawing: the applications found, which of them the search
// shows, which are already in the folder (seen but not selectable), which the user chose, and the confirm
// button's text.
//
//     AppPickerSelection picker(store.appPickerCurrentBundleIDs());
//     picker.setApplications(discovered);
//     picker.setSearchText(field->text());          // shownRows() follows
//     picker.toggle(picker.applications().at(picker.shownRows().at(0)).id);
//     store.appPickerCallback()(picker.chosenApplications());   // in the order of the list
//
// A plain value; main thread only like its users.
#pragma once

#include "model/app_folder.h"

#include <QList>
#include <QSet>
#include <QString>
#include <QUuid>

namespace tessly {

class Localization;

/// Whether `text` contains `search`, ignoring case and the way accented letters are composed.
[[nodiscard]] bool localizedCaseInsensitiveContains(const QString& text, const QString& search);

class AppPickerSelection {
public:
    explicit AppPickerSelection(QSet<QString> alreadyAddedBundleIDs = {});

    /// Replaces the applications (a new scan); choices of applications no longer listed are forgotten.
    void setApplications(QList<AppItem> applications);
    [[nodiscard]] const QList<AppItem>& applications() const { return m_applications; }

    /// Filters the shown rows: all applications for a search that is blank once trimmed, otherwise those
    /// whose name contains it, in list order.
    void setSearchText(const QString& text);
    /// Indexes into applications() of the rows shown.
    [[nodiscard]] const QList<qsizetype>& shownRows() const { return m_shown; }

    [[nodiscard]] bool isAlreadyAdded(const AppItem& application) const;
    [[nodiscard]] bool isSelected(const AppItem& application) const;
    /// Chooses or un-chooses the application `id`; false (and no change) for one already in the folder or
    /// not listed.
    bool toggle(const QUuid& id);
    [[nodiscard]] qsizetype selectedCount() const { return m_selected.size(); }

    /// The chosen applications in list order.
    [[nodiscard]] QList<AppItem> chosenApplications() const;

private:
    void filter();

    QSet<QString> m_alreadyAdded;
    QList<AppItem> m_applications;
    /// Each application's name as the search compares it, computed once per scan.
    QList<QString> m_searchKeys;
    QString m_search;
    QList<qsizetype> m_shown;
    QSet<QUuid> m_selected;
};

/// The confirm button's text: "app_picker.add_count" with `count` when at least one application is chosen,
/// the localised "Add" otherwise.
[[nodiscard]] QString appPickerConfirmTitle(const Localization& l10n, qsizetype count);

} // namespace tessly
