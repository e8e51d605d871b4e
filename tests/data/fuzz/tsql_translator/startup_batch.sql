IF NOT EXISTS(SELECT 1 FROM sysobjects WHERE name='POOrderEntryTaxRate' AND xtype='u')
CREATE TABLE POOrderEntryTaxRate(FInterID INT,FEntryID INT,FCess DECIMAL(23,10),FTaxAmount DECIMAL(23,10),FAmount DECIMAL(23,10),FAuxPrice DECIMAL(23,10),FPrice DECIMAL(23,10),
FAuxTaxPrice DECIMAL(23,10),FTaxPrice DECIMAL(23,10),FAuxPriceDiscount DECIMAL(23,10),FPriceDiscount DECIMAL(23,10),FAllAmount DECIMAL(23,10),FDescount DECIMAL(23,10))
IF NOT EXISTS(SELECT 1 FROM sysobjects WHERE name='SEOrderEntryTaxRate' AND xtype='u')
CREATE TABLE SEOrderEntryTaxRate(FInterID INT,FEntryID INT,FCess DECIMAL(23,10),FTaxAmt DECIMAL(23,10),FAmount DECIMAL(23,10),
FAuxPrice DECIMAL(23,10),FPrice DECIMAL(23,10),FAuxTaxPrice DECIMAL(23,10),FTaxPrice DECIMAL(23,10),FAuxPriceDiscount DECIMAL(23,10),
FPriceDiscount DECIMAL(23,10),FTaxAmount DECIMAL(23,10),FAllAmount DECIMAL(23,10),FAllStdAmount DECIMAL(23,10))
IF NOT EXISTS(SELECT 1 FROM sysobjects WHERE name='t_rpContractEntryRate' AND xtype='u')
CREATE TABLE t_rpContractEntryRate(FContractID INT,FEntryID INT,FTaxRate DECIMAL(23,10),FAmount DECIMAL(23,10),
FAmountFor DECIMAL(23,10),FTaxFor DECIMAL(23,10),FTax DECIMAL(23,10),FPriceFor DECIMAL(23,10),FPrice DECIMAL(23,10),
FTaxPriceFor DECIMAL(23,10),FTaxPrice DECIMAL(23,10),FAmountIncludeTaxFor DECIMAL(23,10),FAmountIncludeTax DECIMAL(23,10))
