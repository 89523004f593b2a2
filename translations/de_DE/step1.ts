<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="de_DE">
<context>
    <name>CFileModel</name>
    <message>
        <location filename="../../app/cfilemodel.cpp" line="252"/>
        <source>Name</source>
        <translation>Name</translation>
    </message>
    <message>
        <location filename="../../app/cfilemodel.cpp" line="254"/>
        <source>Size</source>
        <translation>Größe</translation>
    </message>
    <message>
        <location filename="../../app/cfilemodel.cpp" line="256"/>
        <source>Date</source>
        <translation>Datum</translation>
    </message>
</context>
<context>
    <name>FMainFile</name>
    <message>
        <location filename="../../app/fmainfile.cpp" line="180"/>
        <source>Add Files - Zandrevik</source>
        <translation>Dateien hinzufügen - Zandrevik</translation>
    </message>
    <message>
        <location filename="../../app/fmainfile.cpp" line="181"/>
        <source>All Files (*);;Windows Bitmap (*.bmp *.dib);;GIF (*.gif);;JPEG (*.jpg *.jpeg);;TIFF (*.tif *.tiff);;Portable Graphics PNG (*.png)</source>
        <translation>Alle Dateien (*);;Windows-Bitmap (*.bmp *.dib);;GIF (*.gif);;JPEG (*.jpg *.jpeg);;TIFF (*.tif *.tiff);;Portable Graphics PNG (*.png)</translation>
    </message>
    <message>
        <location filename="../../app/fmainfile.cpp" line="207"/>
        <source>Add Folder - Zandrevik</source>
        <translation>Ordner hinzufügen - Zandrevik</translation>
    </message>
    <message>
        <location filename="../../app/fmainfile.cpp" line="335"/>
        <source>Name: %1
Size: %2
Format: %3
Date: %4
Dimensions: %5</source>
        <translation>Name: %1
Größe: %2
Format: %3
Datum: %4
Abmessungen: %5</translation>
    </message>
    <message>
        <location filename="../../app/fmainfile.cpp" line="341"/>
        <source>Save Photo List - Zandrevik</source>
        <translation>Fotoliste speichern - Zandrevik</translation>
    </message>
    <message>
        <location filename="../../app/fmainfile.cpp" line="343"/>
        <source>Zandrevik List File (*.zvl);;All Files (*)</source>
        <translation>Zandrevik-Listendatei (*.zvl);;Alle Dateien (*)</translation>
    </message>
    <message>
        <location filename="../../app/fmainfile.cpp" line="350"/>
        <location filename="../../app/fmainfile.cpp" line="366"/>
        <location filename="../../app/fmainfile.cpp" line="383"/>
        <location filename="../../app/fmainfile.cpp" line="406"/>
        <location filename="../../app/fmainfile.cpp" line="446"/>
        <source>Zandrevik</source>
        <translation>Zandrevik</translation>
    </message>
    <message>
        <location filename="../../app/fmainfile.cpp" line="350"/>
        <source>File already exists, do you want to overwrite?</source>
        <translation>Die Datei existiert bereits. Möchten Sie sie überschreiben?</translation>
    </message>
    <message>
        <location filename="../../app/fmainfile.cpp" line="404"/>
        <source>These file names cannot be read back from a list file, so the list was saved without them:</source>
        <translation>Diese Dateinamen lassen sich aus einer Listendatei nicht zurücklesen; die Liste wurde ohne sie gespeichert:</translation>
    </message>
    <message>
        <location filename="../../app/fmainfile.cpp" line="406"/>
        <source>File list has been modified, do you want to save it?</source>
        <translation>Die Dateiliste wurde geändert. Möchten Sie sie speichern?</translation>
    </message>
    <message>
        <location filename="../../app/fmainfile.cpp" line="429"/>
        <source>Choose Photo List File - Zandrevik</source>
        <translation>Fotolistendatei wählen - Zandrevik</translation>
    </message>
    <message>
        <location filename="../../app/fmainfile.cpp" line="430"/>
        <source>All Files (*);;Photo List Files (*.pls)</source>
        <translation>Alle Dateien (*);;Fotolistendateien (*.pls)</translation>
    </message>
    <message>
        <location filename="../../app/fmainfile.cpp"/>
        <source>Name: %1
This file cannot be read.</source>
        <translation>Name: %1
Diese Datei kann nicht gelesen werden.</translation>
    </message>
</context>
<context>
    <name>UFMainFile</name>
    <message>
        <location filename="../../app/forms/ufmainfile.ui" line="14"/>
        <source>FMainFile</source>
        <translation>FMainFile</translation>
    </message>
    <message>
        <location filename="../../app/forms/ufmainfile.ui" line="58"/>
        <source>Add Pictures</source>
        <translation>Bilder hinzufügen</translation>
    </message>
    <message>
        <location filename="../../app/forms/ufmainfile.ui" line="65"/>
        <source>Add Folder</source>
        <translation>Ordner hinzufügen</translation>
    </message>
    <message>
        <location filename="../../app/forms/ufmainfile.ui" line="72"/>
        <source>Remove</source>
        <translation>Entfernen</translation>
    </message>
    <message>
        <location filename="../../app/forms/ufmainfile.ui" line="79"/>
        <source>Remove All</source>
        <translation>Alle entfernen</translation>
    </message>
    <message>
        <location filename="../../app/forms/ufmainfile.ui" line="86"/>
        <source>Load List</source>
        <translation>Liste laden</translation>
    </message>
    <message>
        <location filename="../../app/forms/ufmainfile.ui" line="93"/>
        <source>Save List</source>
        <translation>Liste speichern</translation>
    </message>
    <message>
        <location filename="../../app/forms/ufmainfile.ui" line="118"/>
        <source>View</source>
        <translation>Ansicht</translation>
    </message>
    <message>
        <location filename="../../app/forms/ufmainfile.ui" line="124"/>
        <source>Thumbnail</source>
        <translation>Miniaturen</translation>
    </message>
    <message>
        <location filename="../../app/forms/ufmainfile.ui" line="134"/>
        <source>List</source>
        <translation>Liste</translation>
    </message>
    <message>
        <location filename="../../app/forms/ufmainfile.ui" line="144"/>
        <source>Sort</source>
        <translation>Sortieren</translation>
    </message>
    <message>
        <location filename="../../app/forms/ufmainfile.ui" line="152"/>
        <source>Name</source>
        <translation>Name</translation>
    </message>
    <message>
        <location filename="../../app/forms/ufmainfile.ui" line="162"/>
        <source>Size</source>
        <translation>Größe</translation>
    </message>
    <message>
        <location filename="../../app/forms/ufmainfile.ui" line="169"/>
        <source>Date</source>
        <translation>Datum</translation>
    </message>
    <message>
        <location filename="../../app/forms/ufmainfile.ui" line="178"/>
        <source>Descend</source>
        <translation>Absteigend</translation>
    </message>
</context>
</TS>
