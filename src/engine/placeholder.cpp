// Engine sources land beside this file; it keeps the library non-empty until then.
