#pragma once

#include <QStringList>

class RegistryStore;

// Every key and value of a registry, one line each, in the store's order: keys as
// "[path]", values as "name = type: hex bytes". Two registries hold the same keys and values
// (with the same spelling) exactly when their snapshots are equal.
QStringList registrySnapshot(RegistryStore &store);
