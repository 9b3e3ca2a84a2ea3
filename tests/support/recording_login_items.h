// A login-item service that records the calls and fails when told to.
#pragma once

#include "platform/login_item_service.h"

#include <QStringList>

namespace tessly::testing {

class RecordingLoginItems final : public LoginItemService {
public:
    std::optional<QString> registerMainApplication() override {
        calls.append(QStringLiteral("register"));
        return failure;
    }
    std::optional<QString> unregisterMainApplication() override {
        calls.append(QStringLiteral("unregister"));
        return failure;
    }

    QStringList calls;
    std::optional<QString> failure;
};

} // namespace tessly::testing
