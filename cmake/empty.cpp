// Placeholder so a subsystem without sources yet still forms a library.
