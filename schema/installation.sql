-- The installation database. This file is the only place the schema is written: the library
-- compiles it in and runs it on every connect, so each statement must be repeatable
-- (IF NOT EXISTS) and connecting creates whatever is missing.
--
-- Integer columns hold 32-bit signed values (an unsigned value is stored as its
-- two's-complement int32); 64-bit columns hold int64. Dates are TEXT
-- "YYYY-MM-DD HH:MM:SS[.mmm]". Serialised data is BLOB.

-- One row per object of every class, keyed by (class ID, object ID, server number). The
-- basic fields are columns; the class's rest data and the facets are BLOBs.
CREATE TABLE IF NOT EXISTS NameObject (
    nClassID        INTEGER NOT NULL,
    nID             INTEGER NOT NULL,
    nServerNO       INTEGER NOT NULL,
    nAttr           INTEGER,
    strName         TEXT,
    strFullName     TEXT,
    strDescription  TEXT,
    dtCreateTime    TEXT,
    dtModifyTime    TEXT,
    nVersion        INTEGER,
    varData         BLOB,
    varDvPtData     BLOB,
    ObjectAttribute BLOB,
    ObjectProperty  BLOB
);
CREATE UNIQUE INDEX IF NOT EXISTS NameObject_Key ON NameObject (nClassID, nID, nServerNO);
-- The highest object ID of a server.
CREATE INDEX IF NOT EXISTS NameObject_ServerID ON NameObject (nServerNO, nID);

-- One row per membership: the member (sub object) belongs to the container.
CREATE TABLE IF NOT EXISTS Container (
    nContainerID       INTEGER NOT NULL,
    nSubObjectID       INTEGER NOT NULL,
    nContainerClassID  INTEGER NOT NULL,
    nSubClassID        INTEGER NOT NULL,
    nContainerServerNO INTEGER NOT NULL,
    nSubObjectServerNO INTEGER NOT NULL
);
CREATE INDEX IF NOT EXISTS Container_ByContainer
    ON Container (nContainerClassID, nContainerID, nContainerServerNO);
CREATE INDEX IF NOT EXISTS Container_ByMember
    ON Container (nSubClassID, nSubObjectID, nSubObjectServerNO);

-- One row per extension field of an object; the value sits in the column that nType (the
-- variant type) selects.
CREATE TABLE IF NOT EXISTS ObjectExtData (
    nClassID     INTEGER NOT NULL,
    nID          INTEGER NOT NULL,
    nServerNO    INTEGER NOT NULL,
    strFieldName TEXT,
    nType        INTEGER,
    V_int        INTEGER,
    V_int64      INTEGER,
    V_double     REAL,
    V_DateTime   TEXT,
    V_String     TEXT
);
CREATE INDEX IF NOT EXISTS ObjectExtData_ByObject ON ObjectExtData (nClassID, nID, nServerNO);

-- One row per extension field kept, as text, after its object was deleted.
CREATE TABLE IF NOT EXISTS ObjectExtDataDelCache (
    nClassID     INTEGER NOT NULL,
    nID          INTEGER NOT NULL,
    nServerNO    INTEGER NOT NULL,
    strFieldName TEXT,
    nType        INTEGER,
    valueStr     TEXT
);
CREATE INDEX IF NOT EXISTS ObjectExtDataDelCache_ByObject
    ON ObjectExtDataDelCache (nClassID, nID, nServerNO);

-- One row per image of an object (a photo, for example), with the time of its last change.
CREATE TABLE IF NOT EXISTS ObjectImage (
    nClassID  INTEGER NOT NULL,
    nID       INTEGER NOT NULL,
    nServerNO INTEGER NOT NULL,
    nIndex    INTEGER NOT NULL,
    dateTime  TEXT,
    imgPhoto  BLOB
);
CREATE INDEX IF NOT EXISTS ObjectImage_ByObject ON ObjectImage (nClassID, nID, nServerNO, nIndex);

-- The server's ID counters and their overflow flags, and the alarm ID counter (one row).
CREATE TABLE IF NOT EXISTS ObjectID (
    nNextObjectID                 INTEGER,
    nNextPointID                  INTEGER,
    nNextAuthorizationRecordID    INTEGER,
    ObjectIDOverflow              INTEGER,
    PointIDOverflow               INTEGER,
    AuthorizationRecordIDOverflow INTEGER,
    nMaxAlarmID                   INTEGER
);

-- The server's identity: its number and the mask of the ID bits that carry it (one row).
CREATE TABLE IF NOT EXISTS ServerOption (
    nServerNO   INTEGER,
    nServerMask INTEGER
);

-- One row per operator account bound to the person (card holder) it belongs to.
CREATE TABLE IF NOT EXISTS OperatorBindingPerson (
    nOperatorClassID  INTEGER NOT NULL,
    nOperatorID       INTEGER NOT NULL,
    nOperatorServerNO INTEGER NOT NULL,
    nPersonClassID    INTEGER NOT NULL,
    nPersonID         INTEGER NOT NULL,
    nPersonServerNO   INTEGER NOT NULL
);
CREATE INDEX IF NOT EXISTS OperatorBindingPerson_ByOperator
    ON OperatorBindingPerson (nOperatorClassID, nOperatorID, nOperatorServerNO);

-- One row per privilege that objects of a special class call for.
CREATE TABLE IF NOT EXISTS SpecialPrivilegeObject (
    nSpecialObjectClassID INTEGER NOT NULL,
    nPrivilegeClassID     INTEGER NOT NULL,
    nPrivilegeID          INTEGER NOT NULL
);

-- One row per social-security type and its description.
CREATE TABLE IF NOT EXISTS SocialSecurity (
    nType   INTEGER,
    strDesc TEXT
);

-- One row per entry of the operation log.
CREATE TABLE IF NOT EXISTS OperationLog (
    nLogID      INTEGER PRIMARY KEY AUTOINCREMENT,
    dtTime      TEXT,
    nOperatorID INTEGER,
    strText     TEXT,
    nType       INTEGER,
    nValue      INTEGER,
    nClassID    INTEGER,
    nID         INTEGER,
    nServerNO   INTEGER
);
