<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="de_DE">
<context>
    <name>FMain</name>
    <message>
        <source>Zandrevik</source>
        <translation>Zandrevik</translation>
    </message>
    <message>
        <source>Step1: Select Files</source>
        <translation>Schritt 1: Dateien wählen</translation>
    </message>
    <message>
        <source>Step2: Add Operations</source>
        <translation>Schritt 2: Operationen</translation>
    </message>
    <message>
        <source>Step3: Configure Output</source>
        <translation>Schritt 3: Ausgabe</translation>
    </message>
    <message>
        <source>Step4: Start Process</source>
        <translation>Schritt 4: Verarbeitung</translation>
    </message>
    <message>
        <source>&amp;Load Profile...</source>
        <translation>Profil &amp;laden...</translation>
    </message>
    <message>
        <source>&amp;Save Profile...</source>
        <translation>Profil &amp;speichern...</translation>
    </message>
    <message>
        <source>E&amp;xit</source>
        <translation>&amp;Beenden</translation>
    </message>
    <message>
        <source>&amp;Settings...</source>
        <translation>&amp;Einstellungen...</translation>
    </message>
    <message>
        <source>&amp;Help File</source>
        <translation>&amp;Hilfeseite</translation>
    </message>
    <message>
        <source>Home &amp;Page</source>
        <translation>Home&amp;page</translation>
    </message>
    <message>
        <source>&amp;About...</source>
        <translation>&amp;Über...</translation>
    </message>
    <message>
        <source>&amp;File</source>
        <translation>&amp;Datei</translation>
    </message>
    <message>
        <source>&amp;Tool</source>
        <translation>E&amp;xtras</translation>
    </message>
    <message>
        <source>&amp;Help</source>
        <translation>&amp;Hilfe</translation>
    </message>
    <message>
        <source>Load profile FAILED!
%1</source>
        <translation>Profil laden FEHLGESCHLAGEN!
%1</translation>
    </message>
    <message>
        <source>Save profile FAILED!
%1</source>
        <translation>Profil speichern FEHLGESCHLAGEN!
%1</translation>
    </message>
    <message>
        <source>Load Profile</source>
        <translation>Profil laden</translation>
    </message>
    <message>
        <source>All Files (*);;Profile File (*.pbp)</source>
        <translation>Alle Dateien (*);;Profildatei (*.pbp)</translation>
    </message>
    <message>
        <source>Save Profile - Zandrevik</source>
        <translation>Profil speichern - Zandrevik</translation>
    </message>
    <message>
        <source>Zandrevik Profile File (*.zvp);;All Files (*)</source>
        <translation>Zandrevik-Profildatei (*.zvp);;Alle Dateien (*)</translation>
    </message>
    <message>
        <source>Start batch engine FAILED!</source>
        <translation>Start der Stapelverarbeitung FEHLGESCHLAGEN!</translation>
    </message>
    <message>
        <location filename="../../app/fmain.cpp"/>
        <source>The home page could not be opened:
%1</source>
        <translation>Die Homepage konnte nicht geöffnet werden:
%1</translation>
    </message>
    <message>
        <location filename="../../app/fmain.cpp"/>
        <source>The help file could not be opened:
%1</source>
        <translation>Die Hilfedatei konnte nicht geöffnet werden:
%1</translation>
    </message>
</context>
</TS>
