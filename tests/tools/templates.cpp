// kvtesttemplates.dll: a module of INI templates the package does not carry, for the
// template tests; it has no code of its own.
