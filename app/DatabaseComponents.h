#pragma once
// The window's database components: the connection `csy` and, bound to it, the command `cmd`
// and the statements `q_Loja`, `q_num` and `q_fullsync`. They are non-visual components of the
// window's description; the connection owns the driver connection the provisioning sequence
// works through (the statements' texts belong to the sequence).

#include <memory>
#include <string>

#include "framework/Properties.h"
#include "provisioning/Database.h"

namespace app {

// Non-visual components sit in the window's description directly under the window.
class TDbComponent : public fw::Component {
public:
    fw::Component* GetParentComponent() const override { return Owner(); }
};

class TDbConnection : public TDbComponent {
public:
    TDbConnection();
    ~TDbConnection() override;
    const fw::ClassInfo& Class() const override;
    static const fw::ClassInfo& StaticClass();

    const std::string& Provider() const { return provider_; }
    void SetProvider(std::string value) { provider_ = std::move(value); }
    bool LoginPrompt() const { return false; }  // connections never prompt
    void SetLoginPrompt(bool) {}

    prov::Database& Database() { return *database_; }

private:
    std::string provider_ = "SQLOLEDB.1";
    std::unique_ptr<prov::Database> database_;
};

// A command or statement bound to a connection.
class TDbStatement : public TDbComponent {
public:
    const fw::ClassInfo& Class() const override;
    static const fw::ClassInfo& StaticClass();
    TDbConnection* Connection() const { return connection_; }
    int CommandTimeout() const { return commandTimeout_; }
    void SetCommandTimeout(int value) { commandTimeout_ = value; }

private:
    TDbConnection* connection_ = nullptr;
    int commandTimeout_ = 30;  // seconds; 0 is no limit
};

void RegisterDatabaseClasses(fw::ClassRegistry& registry);

}  // namespace app
