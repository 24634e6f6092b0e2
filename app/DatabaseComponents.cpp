#include "app/DatabaseComponents.h"

#include "framework/PropertyBuilders.h"
#include "provisioning/win/OdbcDatabase.h"

namespace app {

using namespace fw;

TDbConnection::TDbConnection() : database_(std::make_unique<prov::OdbcDatabase>()) {}
TDbConnection::~TDbConnection() = default;

const ClassInfo& TDbConnection::StaticClass() {
    static const ClassInfo info{
        "TDbConnection",
        nullptr,
        {
            StringProperty<TDbConnection>("Provider", &TDbConnection::Provider, &TDbConnection::SetProvider,
                                          std::string("SQLOLEDB.1")),
            BoolProperty<TDbConnection>("LoginPrompt", &TDbConnection::LoginPrompt, &TDbConnection::SetLoginPrompt),
        }};
    return info;
}
const ClassInfo& TDbConnection::Class() const { return StaticClass(); }

const ClassInfo& TDbStatement::StaticClass() {
    static const ClassInfo info{
        "TDbStatement",
        nullptr,
        {
            [] {
                PropertyInfo p{"Connection", PropertyType::Reference};
                p.get = [](const Persistent& o) {
                    const TDbConnection* connection = static_cast<const TDbStatement&>(o).Connection();
                    return Value{Identifier{connection ? connection->Name() : std::string()}};
                };
                p.setReference = [](Persistent& o, Component* target) {
                    static_cast<TDbStatement&>(o).connection_ = dynamic_cast<TDbConnection*>(target);
                };
                return p;
            }(),
            IntProperty<TDbStatement>("CommandTimeout", &TDbStatement::CommandTimeout, &TDbStatement::SetCommandTimeout, 30),
        }};
    return info;
}
const ClassInfo& TDbStatement::Class() const { return StaticClass(); }

void RegisterDatabaseClasses(ClassRegistry& registry) {
    registry.Register(TDbConnection::StaticClass(), [] { return std::make_unique<TDbConnection>(); });
    registry.Register(TDbStatement::StaticClass(), [] { return std::make_unique<TDbStatement>(); });
}

}  // namespace app
