# German texts of the main window; scripts/fill_ts.py fills them into
# translations/de_DE/shell.ts after lupdate.
TRANSLATIONS = {
    "Zandrevik": "Zandrevik",
    "Step1: Select Files": "Schritt 1: Dateien wählen",
    "Step2: Add Operations": "Schritt 2: Operationen",
    "Step3: Configure Output": "Schritt 3: Ausgabe",
    "Step4: Start Process": "Schritt 4: Verarbeitung",
    "&Load Profile...": "Profil &laden...",
    "&Save Profile...": "Profil &speichern...",
    "E&xit": "&Beenden",
    "&Settings...": "&Einstellungen...",
    "&Help File": "&Hilfeseite",
    "Home &Page": "Home&page",
    "&About...": "&Über...",
    "&File": "&Datei",
    "&Tool": "E&xtras",
    "&Help": "&Hilfe",
    "Save profile FAILED!\n%1": "Profil speichern FEHLGESCHLAGEN!\n%1",
    "Load Profile": "Profil laden",
    "All Files (*);;Profile File (*.pbp)": "Alle Dateien (*);;Profildatei (*.pbp)",
    "Save Profile - Zandrevik": "Profil speichern - Zandrevik",
    "Zandrevik Profile File (*.zvp);;All Files (*)":
        "Zandrevik-Profildatei (*.zvp);;Alle Dateien (*)",
    "Start batch engine FAILED!": "Start der Stapelverarbeitung FEHLGESCHLAGEN!",
}
