<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1">
<context>
    <name>FMainOutput</name>
    <message>
        <location filename="../../app/fmainoutput.cpp" line="121"/>
        <source>Source File Name</source>
        <translation>Name der Quelldatei</translation>
    </message>
    <message>
        <location filename="../../app/fmainoutput.cpp" line="122"/>
        <source>Source Folder Name</source>
        <translation>Name des Quellordners</translation>
    </message>
    <message>
        <location filename="../../app/fmainoutput.cpp" line="123"/>
        <source>Source Extension</source>
        <translation>Endung der Quelldatei</translation>
    </message>
    <message>
        <location filename="../../app/fmainoutput.cpp" line="124"/>
        <source>Counter</source>
        <translation>Zähler</translation>
    </message>
    <message>
        <location filename="../../app/fmainoutput.cpp" line="125"/>
        <source>Data / Time</source>
        <translation>Datum / Uhrzeit</translation>
    </message>
    <message>
        <location filename="../../app/fmainoutput.cpp" line="242"/>
        <source>Choose output folder</source>
        <translation>Ausgabeordner wählen</translation>
    </message>
</context>
<context>
    <name>FMainProcess</name>
    <message>
        <location filename="../../app/fmainprocess.cpp" line="266"/>
        <source>Source kept: %1 (%2)</source>
        <translation>Quelle behalten: %1 (%2)</translation>
    </message>
    <message>
        <location filename="../../app/fmainprocess.cpp" line="167"/>
        <location filename="../../app/fmainprocess.cpp" line="260"/>
        <location filename="../../app/fmainprocess.cpp" line="275"/>
        <location filename="../../app/fmainprocess.cpp" line="291"/>
        <location filename="../../app/fmainprocess.cpp" line="306"/>
        <source>Zandrevik</source>
        <translation>Zandrevik</translation>
    </message>
    <message>
        <location filename="../../app/fmainprocess.cpp" line="261"/>
        <source>Output folder does not exist, do you want to create it?</source>
        <translation>Der Ausgabeordner existiert nicht. Soll er angelegt werden?</translation>
    </message>
    <message>
        <location filename="../../app/fmainprocess.cpp" line="276"/>
        <source>File list is empty, please select some photo files first!</source>
        <translation>Die Dateiliste ist leer. Bitte wählen Sie zuerst einige Fotos aus!</translation>
    </message>
    <message>
        <location filename="../../app/fmainprocess.cpp" line="291"/>
        <source>No filter selected, is this your want?</source>
        <translation>Es ist keine Operation gewählt. Ist das so gewollt?</translation>
    </message>
    <message>
        <location filename="../../app/fmainprocess.cpp" line="307"/>
        <source>No output folder is set, please choose one first!</source>
        <translation>Es ist kein Ausgabeordner eingestellt. Bitte wählen Sie zuerst einen!</translation>
    </message>
    <message>
        <location filename="../../app/fmainprocess.cpp" line="406"/>
        <source>Pause Process</source>
        <translation>Verarbeitung anhalten</translation>
    </message>
    <message>
        <location filename="../../app/fmainprocess.cpp" line="411"/>
        <source>Resume Process</source>
        <translation>Verarbeitung fortsetzen</translation>
    </message>
    <message>
        <location filename="../../app/fmainprocess.cpp" line="416"/>
        <source>Start Process</source>
        <translation>Verarbeitung starten</translation>
    </message>
    <message>
        <location filename="../../app/fmainprocess.cpp"/>
        <source>The output folder could not be opened:
%1</source>
        <translation>Der Ausgabeordner konnte nicht geöffnet werden:
%1</translation>
    </message>
    <message>
        <location filename="../../app/fmainprocess.cpp"/>
        <source>the picture would exceed %1 megapixels and %2 times the photo</source>
        <translation>das Bild würde %1 Megapixel und das %2-Fache des Fotos überschreiten</translation>
    </message>
    <message>
        <location filename="../../app/fmainprocess.cpp"/>
        <source>a filter failed</source>
        <translation>ein Filter ist fehlgeschlagen</translation>
    </message>
    <message>
        <location filename="../../app/fmainprocess.cpp"/>
        <source>the output folder could not be synced</source>
        <translation>der Ausgabeordner konnte nicht synchronisiert werden</translation>
    </message>
    <message>
        <location filename="../../app/fmainprocess.cpp"/>
        <source>changed since it was loaded</source>
        <translation>seit dem Laden verändert</translation>
    </message>
    <message>
        <location filename="../../app/fmainprocess.cpp"/>
        <source>it could not be deleted</source>
        <translation>sie konnte nicht gelöscht werden</translation>
    </message>
</context>
<context>
    <name>UFMainOutput</name>
    <message>
        <location filename="../../app/forms/ufmainoutput.ui" line="14"/>
        <source>FMainOutput</source>
        <translation>FMainOutput</translation>
    </message>
    <message>
        <location filename="../../app/forms/ufmainoutput.ui" line="23"/>
        <source>Output Folder</source>
        <translation>Ausgabeordner</translation>
    </message>
    <message>
        <location filename="../../app/forms/ufmainoutput.ui" line="34"/>
        <source>Output Folder:</source>
        <translation>Ausgabeordner:</translation>
    </message>
    <message>
        <location filename="../../app/forms/ufmainoutput.ui" line="47"/>
        <source>Select</source>
        <translation>Wählen</translation>
    </message>
    <message>
        <location filename="../../app/forms/ufmainoutput.ui" line="58"/>
        <source>Use source photo&apos;s folder for output</source>
        <translation>Ordner des Quellfotos für die Ausgabe verwenden</translation>
    </message>
    <message>
        <location filename="../../app/forms/ufmainoutput.ui" line="65"/>
        <source>(If you want to keep original files, please rename the output file in below)</source>
        <translation>(Um die Originale zu behalten, benennen Sie die Ausgabedateien unten um)</translation>
    </message>
    <message>
        <location filename="../../app/forms/ufmainoutput.ui" line="90"/>
        <source>File Names</source>
        <translation>Dateinamen</translation>
    </message>
    <message>
        <location filename="../../app/forms/ufmainoutput.ui" line="101"/>
        <source>Rename output file to:</source>
        <translation>Ausgabedatei umbenennen in:</translation>
    </message>
    <message>
        <location filename="../../app/forms/ufmainoutput.ui" line="116"/>
        <source>+</source>
        <translation>+</translation>
    </message>
    <message>
        <location filename="../../app/forms/ufmainoutput.ui" line="123"/>
        <source>-</source>
        <translation>-</translation>
    </message>
    <message>
        <location filename="../../app/forms/ufmainoutput.ui" line="136"/>
        <source>Preview:</source>
        <translation>Vorschau:</translation>
    </message>
    <message>
        <location filename="../../app/forms/ufmainoutput.ui" line="154"/>
        <source>Output Format</source>
        <translation>Ausgabeformat</translation>
    </message>
    <message>
        <location filename="../../app/forms/ufmainoutput.ui" line="170"/>
        <source>Output Format:</source>
        <translation>Ausgabeformat:</translation>
    </message>
    <message>
        <location filename="../../app/forms/ufmainoutput.ui" line="181"/>
        <source>BMP</source>
        <translation>BMP</translation>
    </message>
    <message>
        <location filename="../../app/forms/ufmainoutput.ui" line="186"/>
        <source>GIF</source>
        <translation>GIF</translation>
    </message>
    <message>
        <location filename="../../app/forms/ufmainoutput.ui" line="191"/>
        <source>JPG</source>
        <translation>JPG</translation>
    </message>
    <message>
        <location filename="../../app/forms/ufmainoutput.ui" line="196"/>
        <source>PNG</source>
        <translation>PNG</translation>
    </message>
    <message>
        <location filename="../../app/forms/ufmainoutput.ui" line="201"/>
        <source>TIFF</source>
        <translation>TIFF</translation>
    </message>
    <message>
        <location filename="../../app/forms/ufmainoutput.ui" line="216"/>
        <source>Quality Factor:</source>
        <translation>Qualität:</translation>
    </message>
    <message>
        <location filename="../../app/forms/ufmainoutput.ui" line="248"/>
        <source>%</source>
        <translation>%</translation>
    </message>
    <message>
        <location filename="../../app/forms/ufmainoutput.ui" line="266"/>
        <source>Transparent</source>
        <translation>Transparent</translation>
    </message>
    <message>
        <location filename="../../app/forms/ufmainoutput.ui" line="288"/>
        <source>Keep original photo format (only for BMP, JPEG, GIF, PNG, TIFF, other files will be converted to format set above)</source>
        <translation>Originalformat behalten (nur für BMP, JPEG, GIF, PNG, TIFF; andere Dateien werden in das oben gewählte Format umgewandelt)</translation>
    </message>
    <message>
        <location filename="../../app/forms/ufmainoutput.ui" line="295"/>
        <source>Create a single multi-page document from all photos (only valid for PDF, TIF, GIF)</source>
        <translation>Aus allen Fotos ein mehrseitiges Dokument erstellen (nur für PDF, TIF, GIF)</translation>
    </message>
    <message>
        <location filename="../../app/forms/ufmainoutput.ui" line="305"/>
        <source>Misc Settings</source>
        <translation>Weitere Einstellungen</translation>
    </message>
    <message>
        <location filename="../../app/forms/ufmainoutput.ui" line="314"/>
        <source>Set output photo&apos;s date and attributes same as original</source>
        <translation>Datum und Attribute der Ausgabe wie beim Original setzen</translation>
    </message>
    <message>
        <location filename="../../app/forms/ufmainoutput.ui" line="321"/>
        <source>Delete source photo after processing</source>
        <translation>Quellfoto nach der Verarbeitung löschen</translation>
    </message>
</context>
<context>
    <name>UFMainProcess</name>
    <message>
        <location filename="../../app/forms/ufmainprocess.ui" line="14"/>
        <source>FMainProcess</source>
        <translation>FMainProcess</translation>
    </message>
    <message>
        <location filename="../../app/forms/ufmainprocess.ui" line="34"/>
        <source>Start Process</source>
        <translation>Verarbeitung starten</translation>
    </message>
    <message>
        <location filename="../../app/forms/ufmainprocess.ui" line="41"/>
        <source>Cancel Process</source>
        <translation>Verarbeitung abbrechen</translation>
    </message>
    <message>
        <location filename="../../app/forms/ufmainprocess.ui" line="48"/>
        <source>Open Output Folder</source>
        <translation>Ausgabeordner öffnen</translation>
    </message>
    <message>
        <location filename="../../app/forms/ufmainprocess.ui" line="69"/>
        <source>Disable Log</source>
        <translation>Protokoll aus</translation>
    </message>
    <message>
        <location filename="../../app/forms/ufmainprocess.ui" line="89"/>
        <source>Clear</source>
        <translation>Leeren</translation>
    </message>
    <message>
        <location filename="../../app/forms/ufmainprocess.ui" line="96"/>
        <source>Copy</source>
        <translation>Kopieren</translation>
    </message>
</context>
</TS>
