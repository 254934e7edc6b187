#pragma once

// The predefined root keys that the reader opens paths under. The reader only ever works
// below the machine-wide root; the Linux store stands for that one root alone.
enum class RegistryRoot { LocalMachine };
